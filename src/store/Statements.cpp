#include "Statements.h"

namespace nightaudit::statements {

using std::to_string;

std::string startingHeightQuery() {
    return "select * from _config where entry = 'STARTINGHEIGHT'";
}

std::string settingQuery(const std::string& entry) {
    return "select * from _config where entry = '" + doubleApostrophes(entry) + "'";
}

std::string taskSequencesQuery() {
    return "select doafterinstructions, TASKsequenceid,NAME   from tasksequence where enabled = 1 "
           "ORDER BY DISPLAYORDER";
}

std::string tasksQuery(const std::string& tasksequenceIdText) {
    return "select * from task where enabled = 1 and tasksequenceid = " + tasksequenceIdText +
           "   order by TASKORDER";
}

std::string keySequencesQuery(const std::string& taskIdText) {
    return "select * from keysequence where enabled = 1 and TASKID = " + taskIdText +
           "   order by DISPLAYORDER";
}

std::string windowTitleQuery(std::int16_t id) {
    return std::string("SELECT TASK.WINDOWTITLE FROM TASKSEQUENCE ") +
           " INNER JOIN (TASK INNER JOIN (KEYSEQUENCE INNER JOIN KEYS ON " +
           " KEYSEQUENCE.KEYSEQUENCEID = KEYS.KEYSEQUENCEID) ON TASK.TASKID " +
           " = KEYSEQUENCE.TASKID) ON TASKSEQUENCE.TASKSEQUENCEID = TASK.TASKSEQUENcEID " +
           " WHERE (((KEYSEQUENCE.KEYSEQUENCEID)= " + to_string(id) + "))";
}

std::string keysQuery(std::int16_t id) {
    return std::string("SELECT keys.*,task.windowtitle  FROM TASKSEQUENCE INNER JOIN ") +
           " (TASK INNER JOIN (KEYSEQUENCE INNER JOIN KEYS ON " +
           " KEYSEQUENCE.KEYSEQUENCEID = KEYS.KEYSEQUENCEID) ON TASK.TASKID = " +
           " KEYSEQUENCE.TASKID) ON TASKSEQUENCE.TASKSEQUENCEID = TASK.TASKSEQUENcEID " +
           " Where (((KEYSEQUENCE.KEYSEQUENCEID) = " + to_string(id) + " )) ORDER BY KEYS.KEYORDER";
}

std::string taskKeySequencesQuery(std::int16_t taskId) {
    return std::string("SELECT * From KEYSEQUENCE ") +
           " WHERE enabled = 1 and taskid = " + to_string(taskId) + " order by displayorder asc ";
}

std::string teachUpdate(const std::string& taughtWait, std::int16_t id) {
    return "update keys set waitafter = " + taughtWait +
           "  where keysequenceid = " + to_string(id) +
           " and keyorder = (select max(keyorder) from keys where keysequenceid = " +
           to_string(id) + ")";
}

std::string keyListQuery(std::int16_t id) {
    return "SELECT * FROM KEYS where KEYSEQUENCEID = " + to_string(id) + "  ORDER BY KEYORDER";
}

std::string doubleApostrophes(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    for (char c : text) {
        out.push_back(c);
        if (c == '\'') out.push_back('\'');
    }
    return out;
}

std::string keyUpdate(const std::string& keyText, const std::string& waitAfterText,
                      const std::string& keyTypeText, std::int32_t keysid) {
    return "update keys set keytext = '" + doubleApostrophes(keyText) +
           "' , waitafter = " + waitAfterText + " , keytype = " + keyTypeText +
           " where keysid = " + to_string(keysid);
}

}  // namespace nightaudit::statements
