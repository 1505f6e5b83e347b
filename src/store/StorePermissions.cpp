#include "StorePermissions.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/Error.h"

namespace nightaudit {
namespace {

std::string quoted(const std::string& path) {
    if (path.find_first_of(" '\"\\$`!*?[]{}()<>|&;#~\t") == std::string::npos) return path;
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string userName(uid_t uid) {
    const passwd* pw = getpwuid(uid);
    return pw ? pw->pw_name : std::to_string(uid);
}

void look(const std::string& path, bool folder, std::vector<StorePermissions::Problem>& out) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return;
    const std::string kind = folder ? "the store's folder " : "the store ";
    // A sticky folder lets others add files but not replace or remove ours.
    if ((st.st_mode & S_IWOTH) && !(folder && (st.st_mode & S_ISVTX))) {
        out.push_back(
            {path, kind + path + " can be written by every user", "chmod o-w " + quoted(path)});
    }
    if (st.st_uid != 0 && st.st_uid != geteuid()) {
        out.push_back({path,
                       kind + path + " belongs to the user " + userName(st.st_uid) + ", not to " +
                           userName(geteuid()) + " or root",
                       "chown " + userName(geteuid()) + " " + quoted(path)});
    }
}

}  // namespace

std::vector<StorePermissions::Problem> StorePermissions::problems(const std::string& storePath) {
    std::vector<Problem> found;
    std::error_code ec;
    const std::filesystem::path file = std::filesystem::absolute(storePath, ec);
    if (ec) return found;
    look(file.string(), false, found);
    look(file.parent_path().string(), true, found);
    return found;
}

void StorePermissions::require(const std::string& storePath) {
    const std::vector<Problem> found = problems(storePath);
    if (found.empty()) return;
    std::string text = "Runs are refused: other users could change the steps in " +
                       std::filesystem::absolute(storePath).string() + " (";
    for (std::size_t i = 0; i < found.size(); ++i) {
        text += (i ? "; " : "") + found[i].what;
    }
    text += "). Mend it with:";
    for (const Problem& p : found) text += "\n    " + p.fix;
    throw Error(err::PathFileAccess, text);
}

}  // namespace nightaudit
