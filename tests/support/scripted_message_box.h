#pragma once

#include "foundation/message_box.h"

#include <QString>
#include <deque>
#include <vector>

namespace kx::test {

// Answers the program's questions from a script instead of a window, and records what was
// asked. Installed for its lifetime; the previous presenter comes back afterwards. A question
// the script has no answer for fails the test and gets the cautious answer (Cancel/No/OK).
class ScriptedMessageBox {
public:
    struct Shown {
        QString text;
        QString caption;
        unsigned flags;
    };

    explicit ScriptedMessageBox(std::deque<int> answers = {});
    ~ScriptedMessageBox();
    ScriptedMessageBox(const ScriptedMessageBox&) = delete;
    ScriptedMessageBox& operator=(const ScriptedMessageBox&) = delete;

    void Answer(int answer) { m_answers.push_back(answer); }
    const std::vector<Shown>& Seen() const { return m_seen; }

private:
    int Present(const QString& text, const QString& caption, unsigned flags);

    std::deque<int> m_answers;
    std::vector<Shown> m_seen;
    KxMessageBoxPresenter m_previous;
};

} // namespace kx::test
