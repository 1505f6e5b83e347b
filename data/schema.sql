-- The task store: five tables. The program reads them all and writes only
-- keys.keytext, keys.keytype and keys.waitafter.
CREATE TABLE _config (
    entry       TEXT PRIMARY KEY,
    entryvalue  TEXT
);

CREATE TABLE tasksequence (
    tasksequenceid      INTEGER PRIMARY KEY,
    NAME                TEXT,
    doafterinstructions TEXT,
    enabled             INTEGER,
    DISPLAYORDER        INTEGER
);

CREATE TABLE task (
    TASKID          INTEGER PRIMARY KEY CHECK (TASKID BETWEEN 1 AND 32767),
    tasksequenceid  INTEGER,
    Name            TEXT,
    WINDOWTITLE     TEXT,
    enabled         INTEGER,
    TASKORDER       INTEGER
);

CREATE TABLE keysequence (
    keysequenceID   INTEGER PRIMARY KEY CHECK (keysequenceID BETWEEN 1 AND 32767),
    TASKID          INTEGER,
    Name            TEXT,
    enabled         INTEGER,
    enableday       TEXT,
    waitbefore      INTEGER,
    waitafter       INTEGER,
    DISPLAYORDER    INTEGER
);

CREATE TABLE keys (
    keysid          INTEGER PRIMARY KEY,
    KEYSEQUENCEID   INTEGER,
    KEYORDER        INTEGER,
    keytype         INTEGER,
    keytext         TEXT,
    keypurpose      TEXT,
    waitbefore      INTEGER,
    waitafter       INTEGER
);

CREATE INDEX task_by_sequence ON task (tasksequenceid, TASKORDER);
CREATE INDEX keysequence_by_task ON keysequence (TASKID, DISPLAYORDER);
CREATE INDEX keys_by_sequence ON keys (KEYSEQUENCEID, KEYORDER);
