// Test helper: updates the store in an endless loop through TaskStore, the way teach
// mode (teachUpdate) and the key editor (keyUpdate) do, until it is killed. Round n (counting from
// the first round given, so that successive writers go on upwards) writes, to key
// (n % 5) + 1, the text "k<id>-<n>", the wait n and the type n % 13, and teaches key
// sequence 6 (whose last key is key 6) a wait of n seconds; so every row that a kill
// leaves behind can be told to be either untouched or one whole update. Prints "ready" once the
// store is open, then the round number every 50 rounds.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/Error.h"
#include "store/Statements.h"
#include "store/TaskStore.h"

using namespace nightaudit;

namespace {

int hold(const char* path, const std::string& kind) {
    TaskStore store(path, 10000);
    store.execute("BEGIN " + kind);
    store.execute("UPDATE keys SET keytext = 'HALF'");
    std::printf("locked\n");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line);) {
    }
    store.execute("ROLLBACK");
    return 0;
}

[[noreturn]] void updateForEver(const char* path, std::int32_t firstRound) {
    TaskStore store(path, 10000);
    std::printf("ready\n");
    std::fflush(stdout);
    for (std::int32_t n = firstRound;; ++n) {
        const std::int32_t id = n % 5 + 1;
        store.execute(statements::keyUpdate("k" + std::to_string(id) + "-" + std::to_string(n),
                                            std::to_string(n), std::to_string(n % 13), id));
        store.execute(statements::teachUpdate(std::to_string(n * 1000), 6));
        if (n % 50 == 0) {
            std::printf("%d\n", n);
            std::fflush(stdout);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "loop") updateForEver(argv[2], std::atoi(argv[3]));
        if (argc == 4 && std::string(argv[1]) == "hold") return hold(argv[2], argv[3]);
    } catch (const Error& e) {
        std::fprintf(stderr, "%d %s\n", e.number(), e.what());
        return 1;
    }
    std::fprintf(stderr, "usage: %s loop STORE FIRSTROUND | hold STORE IMMEDIATE|EXCLUSIVE\n",
                 argv[0]);
    return 2;
}
