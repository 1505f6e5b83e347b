#pragma once

#include <string>
#include <vector>

namespace nightaudit {

// Whether people other than the store's owner could change the steps the program types.
// The store is refused, as ssh refuses a key file others can write, when db.mdb, or its
// folder without the sticky bit, is writable by everyone, or is owned by another user who
// is not root.
class StorePermissions {
public:
    struct Problem {
        std::string path;  // the file or folder
        std::string what;  // what is wrong with it
        std::string fix;   // the command that mends it
    };

    // Every problem of `storePath` and its folder; none when the store is safe or
    // cannot be looked at (a missing store is reported where it is opened).
    static std::vector<Problem> problems(const std::string& storePath);

    // Throws Error(err::PathFileAccess) naming each problem and its fix.
    static void require(const std::string& storePath);
};

}  // namespace nightaudit
