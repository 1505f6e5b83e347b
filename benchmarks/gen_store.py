#!/usr/bin/env python3
"""Writes benchmark task stores from data/schema.sql.

  gen_store.py tree SCHEMA OUT KEYSEQUENCES
      About KEYSEQUENCES key sequences: task sequences of 20 tasks, tasks of 10 key
      sequences, 5 keys each. One key sequence in seven belongs to a weekday (so the
      day rule has work to do); every twentieth row of each level is disabled.
      Task 1 ("Front Desk") holds exactly 50 enabled key sequences listed every day,
      each of 5 one-character keys with no waits: the task that RunTask plays.
  gen_store.py keys SCHEMA OUT COUNT
      One task sequence, one task ("Front Desk"), one key sequence (id 1) of COUNT
      type-0 keys of one character each, no waits.

Key sequence and task ids are 16-bit in the program, so a store holds at most
32 767 of each; a larger count is refused.
"""
import os
import sqlite3
import sys

DAYS = ["Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"]
ALPHABET = "abcdefghijklmnopqrstuvwxyz0123456789"
MAX_ID = 32767


def open_store(schema, out):
    if os.path.exists(out):
        os.remove(out)
    db = sqlite3.connect(out)
    with open(schema, encoding="utf-8") as f:
        db.executescript(f.read())
    db.execute("INSERT INTO _config VALUES ('STARTINGHEIGHT', '7815')")
    return db


def tree_store(db, count):
    if count > MAX_ID:
        sys.exit(f"at most {MAX_ID} key sequences fit 16-bit ids")
    sequences, tasks, keyseqs, keys = [], [], [], []
    ks_id = 0
    key_id = 0

    def add_keyseq(task_id, order, enabled, enableday):
        nonlocal ks_id, key_id
        ks_id += 1
        keyseqs.append((ks_id, task_id, f"Step {ks_id}", enabled, enableday, 0, 0, order))
        for k in range(1, 6):
            key_id += 1
            keys.append((key_id, ks_id, k, 0, ALPHABET[key_id % len(ALPHABET)], None, 0, 0))

    # Task 1: the run target, 50 key sequences, all listed every day.
    sequences.append((1, "Night", "Close the day", 1, 1))
    tasks.append((1, 1, "Desk", "Front Desk", 1, 1))
    for order in range(1, 51):
        add_keyseq(1, order, 1, None)

    task_id = 1
    seq_id = 1
    task_in_seq = 1
    while ks_id < count:
        task_id += 1
        if task_id > MAX_ID:
            break
        task_in_seq += 1
        if task_in_seq > 20:
            seq_id += 1
            task_in_seq = 1
            sequences.append((seq_id, f"Sequence {seq_id}", "Check the printer", 0 if seq_id % 20 == 0 else 1, seq_id))
        tasks.append((task_id, seq_id, f"Task {task_id}", "Front Desk", 0 if task_id % 20 == 0 else 1, task_in_seq))
        for order in range(1, 11):
            if ks_id >= count:
                break
            n = ks_id + 1
            enableday = DAYS[n % 7] if n % 7 == 3 else (" " if n % 2 else None)
            add_keyseq(task_id, order, 0 if n % 20 == 0 else 1, enableday)

    db.executemany("INSERT INTO tasksequence VALUES (?,?,?,?,?)", sequences)
    db.executemany("INSERT INTO task VALUES (?,?,?,?,?,?)", tasks)
    db.executemany("INSERT INTO keysequence VALUES (?,?,?,?,?,?,?,?)", keyseqs)
    db.executemany("INSERT INTO keys VALUES (?,?,?,?,?,?,?,?)", keys)


def keys_store(db, count):
    db.execute("INSERT INTO tasksequence VALUES (1, 'Night', NULL, 1, 1)")
    db.execute("INSERT INTO task VALUES (1, 1, 'Desk', 'Front Desk', 1, 1)")
    db.execute("INSERT INTO keysequence VALUES (1, 1, 'Typing', 1, NULL, 0, 0, 1)")
    db.executemany(
        "INSERT INTO keys VALUES (?,?,?,?,?,?,?,?)",
        [(i, 1, i, 0, ALPHABET[i % len(ALPHABET)], None, 0, 0) for i in range(1, count + 1)],
    )


def main():
    if len(sys.argv) != 5 or sys.argv[1] not in ("tree", "keys"):
        sys.exit(__doc__)
    kind, schema, out, count = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
    db = open_store(schema, out)
    (tree_store if kind == "tree" else keys_store)(db, count)
    db.commit()
    db.close()


if __name__ == "__main__":
    main()
