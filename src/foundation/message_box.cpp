#include "foundation/message_box.h"

#include <QCoreApplication>
#include <QMutex>
#include <atomic>
#include <cstdio>

namespace kx {
namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("KxFoundation", text);
}

int CautiousAnswer(unsigned flags) {
    switch (flags & mb::ButtonMask) {
    case mb::OkCancel:
    case mb::YesNoCancel:
        return id::Cancel;
    case mb::YesNo:
        return id::No;
    default:
        return id::Ok;
    }
}

int PresentOnStandardError(const QString& text, const QString& caption, unsigned flags) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    return CautiousAnswer(flags);
}

struct PresenterSlot {
    QMutex lock;
    KxMessageBoxPresenter presenter;
};

PresenterSlot& Slot() {
    static PresenterSlot slot;
    return slot;
}

std::atomic<bool> loadingErrorsSuppressed{false};

unsigned IconOf(TKxSeverityLevel severity) {
    switch (severity) {
    case svInformation:
        return mb::IconInformation;
    case svConfirm:
        return mb::IconQuestion;
    case svWarning:
        return mb::IconExclamation;
    case svError:
        return mb::IconStop;
    }
    return 0;
}

} // namespace

KxMessageBoxPresenter KxSetMessageBoxPresenter(KxMessageBoxPresenter presenter) {
    QMutexLocker guard(&Slot().lock);
    std::swap(Slot().presenter, presenter);
    return presenter;
}

int KxMessageBox(const QString& text, TKxSeverityLevel severity, unsigned flags) {
    if ((flags & mb::IconMask) == 0)
        flags |= IconOf(severity);
    flags |= mb::SetForeground;
    KxMessageBoxPresenter presenter;
    {
        QMutexLocker guard(&Slot().lock);
        presenter = Slot().presenter;
    }
    const QString caption = KxSeverityLevelName(severity);
    return presenter ? presenter(text, caption, flags)
                     : PresentOnStandardError(text, caption, flags);
}

QString KxErrorActionName(int mode) {
    switch (mode) {
    case eaContinue:
        return Tr("Continue Operation");
    case eaAskUser:
        return Tr("Ask User");
    case eaAbort:
        return Tr("Abort Operation");
    default:
        return QStringLiteral("?");
    }
}

bool KxAskContinue(const std::exception* exception, int mode, const QString& question) {
    if (exception == nullptr)
        return false;
    switch (mode) {
    case eaContinue:
        return true;
    case eaAskUser: {
        const QString asked = question.isEmpty() ? KxErrorActionName(eaContinue) : question;
        const QString text =
            QStringLiteral("%1\r\r%2 ?").arg(KxExceptionMessage(*exception), asked);
        return KxMessageBox(text, svWarning, mb::YesNo) == id::Yes;
    }
    default:
        return false;
    }
}

void KxShowLoadingError(const std::exception& exception) {
    if (loadingErrorsSuppressed.load())
        return;
    const QString text = KxExceptionMessage(exception) + Tr("\rSuppress Further Messages ?\r");
    if (KxMessageBox(text, svWarning, mb::YesNo | mb::IconExclamation) == id::Yes)
        loadingErrorsSuppressed.store(true);
}

bool KxLoadingErrorsSuppressed() {
    return loadingErrorsSuppressed.load();
}

void KxResetLoadingErrorSuppression() {
    loadingErrorsSuppressed.store(false);
}

} // namespace kx
