// Writes a task store from SQL files, unless the store already exists.
// Usage: makestore STORE SQLFILE...
#include <SQLiteCpp/Database.h>
#include <SQLiteCpp/Exception.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::cerr << "usage: makestore STORE SQLFILE...\n";
        return 2;
    }
    const std::filesystem::path store = argv[1];
    if (std::filesystem::exists(store)) {
        std::cout << store.string() << " exists; left as it is\n";
        return 0;
    }
    const auto partial = std::filesystem::path(store.string() + ".new");
    std::filesystem::remove(partial);
    try {
        {
            SQLite::Database db(partial.string(), SQLite::OPEN_READWRITE | SQLite::OPEN_CREATE);
            for (int i = 2; i < argc; ++i) {
                std::ifstream in(argv[i]);
                if (!in) {
                    std::cerr << "makestore: cannot read " << argv[i] << "\n";
                    return 1;
                }
                std::stringstream sql;
                sql << in.rdbuf();
                db.exec(sql.str());
            }
        }
        // Renamed into place only when complete, so a failed run leaves no half store.
        std::filesystem::rename(partial, store);
    } catch (const std::exception& e) {
        std::cerr << "makestore: " << e.what() << "\n";
        std::filesystem::remove(partial);
        return 1;
    }
    std::cout << "wrote " << store.string() << "\n";
    return 0;
}
