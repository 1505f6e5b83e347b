#pragma once

#include <string>

namespace nightaudit {

// The whole store as one text file to keep in version control: its schema, then one
// block per row ("[task]" and a line "column = value" for every column), parents before
// children and siblings in their order. Values keep their stored kind: null, 12, 2.5,
// "text" (with \" \\ \n \r \t \uXXXX \xHH escapes), x'0a1b' for bytes. Exporting a store
// imported from a text gives that text again, byte for byte.
class StoreText {
public:
    // Reads the store at `storePath` (read-only). Throws Error when it cannot be read.
    static std::string exportStore(const std::string& storePath);

    // Makes a new store at `newStorePath` from `text`; an existing file is never touched.
    // Throws Error naming the line of a text that does not read back (malformed, or a value
    // its column would store differently); the new file is removed then.
    static void importText(const std::string& text, const std::string& newStorePath);
};

}  // namespace nightaudit
