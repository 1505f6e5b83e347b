#include "StorePlace.h"

#include <cstdlib>
#include <filesystem>

namespace nightaudit {

std::string storeBesideProgram(const std::string& programDir) {
    return (std::filesystem::path(programDir) / "db.mdb").string();
}

std::string perUserStore() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    std::filesystem::path base = dataHome ? dataHome : "";
    if (!base.is_absolute()) {
        const char* home = std::getenv("HOME");
        base = std::filesystem::path(home ? home : "") / ".local/share";
    }
    return (base / "quillmar-night-audit" / "db.mdb").string();
}

std::string existingStore(const std::string& programDir) {
    for (const std::string& path : {storeBesideProgram(programDir), perUserStore()}) {
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored)) return path;
    }
    return {};
}

}  // namespace nightaudit
