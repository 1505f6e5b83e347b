#pragma once

// A small complete store for the fault tests, and the whole file as one text so a
// test can show that nothing but the row it meant changed.

#include <string>

#include "support/TempStore.h"

namespace nightaudit::test {

inline const char* kStoreRows = R"(
INSERT INTO _config VALUES ('STARTINGHEIGHT', '7000');
INSERT INTO tasksequence VALUES (1, 'Night', 'Run it all', 1, 1);
INSERT INTO task VALUES (10, 1, 'Desk', 'Front Desk', 1, 1), (11, 1, 'Office', 'Back Office', 1, 2);
INSERT INTO keysequence VALUES (5, 10, 'Close day', 1, NULL, 0, 0, 1),
                               (6, 11, 'Totals', 1, NULL, 0, 0, 1);
INSERT INTO keys VALUES (1, 5, 1, 0, 'abc', NULL, 0, 100), (2, 5, 2, 0, '{ENTER}', NULL, 0, 200),
                        (3, 5, 3, 0, 'x', NULL, 0, 300), (4, 6, 1, 0, '%f', NULL, 0, 400),
                        (5, 6, 2, 0, 'y', NULL, 0, 500), (6, 6, 3, 0, 'z', NULL, 0, 600);
)";

// Every row of every table, in key order.
inline std::string wholeStore(const TempStore& db) {
    return db.dump("SELECT * FROM _config ORDER BY entry") +
           db.dump("SELECT * FROM tasksequence ORDER BY 1") +
           db.dump("SELECT * FROM task ORDER BY 1") +
           db.dump("SELECT * FROM keysequence ORDER BY 1") +
           db.dump("SELECT * FROM keys ORDER BY 1");
}

}  // namespace nightaudit::test
