#include "ERemoteError.h"

ERemoteError::ERemoteError(QString text, qint64 code, QString computer, bool unanswered)
    : m_Text(std::move(text)), m_Code(code), m_Computer(std::move(computer)), m_Unanswered(unanswered),
      m_What(m_Text.toUtf8()) {}
