#pragma once

#include <QApplication>

namespace kx {

// The program's application object. Qt does not expect exceptions to pass through its event
// loop: one that reaches it ends the process. Every event the loop delivers passes through
// `notify`, so this is the one place where whatever a handler lets escape (a key, mouse or
// paint handler, a deferred step, a listener called from one of them) is handed to the
// application exception handler, and the program keeps running. The widget tests run under
// the same class, so they exercise the same path.
class TKxApplication : public QApplication {
public:
    TKxApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace kx
