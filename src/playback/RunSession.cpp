#include "RunSession.h"

namespace nightaudit {

RunSession::Hold::Hold(RunSession& session) : m_session(session) {
    if (m_session.m_depth++ == 0) emit m_session.started();
}

RunSession::Hold::~Hold() {
    if (--m_session.m_depth == 0) emit m_session.ended();
}

}  // namespace nightaudit
