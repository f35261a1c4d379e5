#pragma once

#include "foundation/kx_intf.h"

#include <QWidget>
#include <functional>

class QTabWidget;

namespace kx {

// "Information about this Software": a page "Information" with the program's version
// information as name: value rows and a link to the maker's web page, then any pages the
// caller adds. One instance at a time, shown non-modally and freed when closed; its bounds
// live in the store under "AboutForm".
class TKxAboutForm : public QWidget {
public:
    TKxAboutForm(IKxUnknown* store, const QString& programName, QWidget* parent = nullptr);
    ~TKxAboutForm() override;

    void AddPage(QWidget* page, const QString& title);
    QTabWidget* Pages() const { return m_pages; }

    // Shows the one instance, creating it (and letting `addPages` add its pages) when there
    // is none; answers it.
    static TKxAboutForm* ShowInstance(IKxUnknown* store, const QString& programName,
                                      const std::function<void(TKxAboutForm&)>& addPages = {},
                                      QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    KxIntf<IKxUnknown> m_store;
    QTabWidget* m_pages = nullptr;
};

} // namespace kx
