#include "support/scripted_message_box.h"

#include <gtest/gtest.h>

namespace kx::test {

ScriptedMessageBox::ScriptedMessageBox(std::deque<int> answers) : m_answers(std::move(answers)) {
    m_previous =
        KxSetMessageBoxPresenter([this](const QString& text, const QString& caption,
                                        unsigned flags) { return Present(text, caption, flags); });
}

ScriptedMessageBox::~ScriptedMessageBox() {
    KxSetMessageBoxPresenter(std::move(m_previous));
}

int ScriptedMessageBox::Present(const QString& text, const QString& caption, unsigned flags) {
    m_seen.push_back({text, caption, flags});
    if (m_answers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << text.toStdString();
        return (flags & mb::ButtonMask) == mb::YesNo ? id::No : id::Cancel;
    }
    const int answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

} // namespace kx::test
