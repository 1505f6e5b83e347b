#include "Statements.h"

#include <charconv>

namespace nightaudit::statements {
namespace {

Value id(std::int64_t number) {
    return Value::integer(number);
}

// Bound as the number the digits say, as the number written into the text was stored,
// whatever the column's declared type; anything else as text.
Value number(const std::string& digits) {
    std::int64_t n = 0;
    const char* end = digits.data() + digits.size();
    const auto [at, problem] = std::from_chars(digits.data(), end, n);
    return problem == std::errc() && at == end && !digits.empty() ? Value::integer(n)
                                                                  : Value::text(digits);
}

// A key sequence's keys with the task and task sequence they belong to; an orphaned key
// (no task, or a task without its sequence) is left out.
constexpr const char* kKeysOfSequence =
    " FROM TASKSEQUENCE INNER JOIN (TASK INNER JOIN (KEYSEQUENCE INNER JOIN KEYS ON "
    "KEYSEQUENCE.KEYSEQUENCEID = KEYS.KEYSEQUENCEID) ON TASK.TASKID = KEYSEQUENCE.TASKID) ON "
    "TASKSEQUENCE.TASKSEQUENCEID = TASK.TASKSEQUENCEID WHERE (((KEYSEQUENCE.KEYSEQUENCEID) = ?))";

}  // namespace

Sql startingHeightQuery() {
    return "select * from _config where entry = 'STARTINGHEIGHT'";
}

Sql settingQuery(const std::string& entry) {
    return {"select * from _config where entry = ?", {Value::text(entry)}};
}

Sql taskSequencesQuery() {
    return "select doafterinstructions, TASKsequenceid,NAME   from tasksequence where enabled = 1 "
           "ORDER BY DISPLAYORDER";
}

Sql tasksQuery(const Value& tasksequenceId) {
    return {"select * from task where enabled = 1 and tasksequenceid = ?   order by TASKORDER",
            {tasksequenceId}};
}

Sql keySequencesQuery(const Value& taskId) {
    return {"select * from keysequence where enabled = 1 and TASKID = ?   order by DISPLAYORDER",
            {taskId}};
}

Sql windowTitleQuery(std::int16_t keySequenceId) {
    return {std::string("SELECT TASK.WINDOWTITLE") + kKeysOfSequence, {id(keySequenceId)}};
}

Sql keysQuery(std::int16_t keySequenceId) {
    return {
        std::string("SELECT keys.*,task.windowtitle") + kKeysOfSequence + " ORDER BY KEYS.KEYORDER",
        {id(keySequenceId)}};
}

Sql taskKeySequencesQuery(std::int16_t taskId) {
    return {"SELECT * From KEYSEQUENCE WHERE enabled = 1 and taskid = ? order by displayorder asc",
            {id(taskId)}};
}

Sql keySequenceNameQuery(std::int16_t keySequenceId) {
    return {"SELECT Name FROM keysequence WHERE keysequenceID = ?", {id(keySequenceId)}};
}

Sql teachUpdate(const std::string& taughtWait, std::int16_t keySequenceId) {
    return {
        "update keys set waitafter = ? where keysequenceid = ? and keyorder = "
        "(select max(keyorder) from keys where keysequenceid = ?)",
        {number(taughtWait), id(keySequenceId), id(keySequenceId)}};
}

Sql keyListQuery(std::int16_t keySequenceId) {
    return {"SELECT * FROM KEYS where KEYSEQUENCEID = ? ORDER BY KEYORDER", {id(keySequenceId)}};
}

Sql keyUpdate(const std::string& keyText, const std::string& waitAfterText,
              const std::string& keyTypeText, std::int32_t keysid) {
    return {"update keys set keytext = ?, waitafter = ?, keytype = ? where keysid = ?",
            {Value::text(keyText), number(waitAfterText), number(keyTypeText), id(keysid)}};
}

}  // namespace nightaudit::statements
