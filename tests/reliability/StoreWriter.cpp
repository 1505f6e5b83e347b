// Plays another program on the store, through TaskStore as teach mode and the key editor
// write it. "hold STORE KIND" keeps a write transaction open until its input ends.
// "loop STORE FIRST" updates for ever from round FIRST: round n writes key n % 5 + 1
// the text "k<id>-<n>", the wait n and the type n % 13, and teaches key sequence 6 (last
// key 6) n seconds; so every row a kill leaves is either untouched or one whole update.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "core/Error.h"
#include "store/Statements.h"
#include "store/TaskStore.h"

using namespace nightaudit;

int main(int argc, char** argv) try {
    const std::string mode = argc == 4 ? argv[1] : "";
    TaskStore store(argc == 4 ? argv[2] : "", 10000);
    if (mode == "hold") {
        store.execute(std::string("BEGIN ") + argv[3]);
        store.execute("UPDATE keys SET keytext = 'HALF'");
        std::printf("locked\n");
        std::fflush(stdout);
        for (std::string line; std::getline(std::cin, line);) {
        }
        store.execute("ROLLBACK");
        return 0;
    }
    if (mode != "loop") throw Error(err::InvalidArgument, "no such mode: " + mode);
    std::printf("ready\n");
    std::fflush(stdout);
    for (std::int32_t n = std::atoi(argv[3]);; ++n) {
        const std::int32_t id = n % 5 + 1;
        const std::string round = std::to_string(n);
        store.execute(statements::keyUpdate("k" + std::to_string(id) + "-" + round, round,
                                            std::to_string(n % 13), id));
        store.execute(statements::teachUpdate(round + "000", 6));
    }
} catch (const Error& e) {
    std::fprintf(stderr, "%d %s\nusage: store_writer hold STORE KIND | loop STORE FIRST\n",
                 e.number(), e.what());
    return 1;
}
