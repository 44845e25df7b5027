#include "analysis/widgets/frmSOAPAction.h"

#include "analysis/widgets/ctrlSOAP.h"
#include "shell/Twips.h"
#include "shell/widgets/DialogRunner.h"
#include "shell/widgets/ctrlFormBar.h"

#include <QBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int kWidth = 8040;
constexpr int kHeight = 6465;
constexpr int kMargin = 120;

} // namespace

frmSOAPAction::frmSOAPAction(MessageSink& messages, QWidget* parent)
    : FramedDialog(parent)
    , m_panel(new ctrlSOAP(messages, this))
{
    setObjectName(u"frmSOAPAction"_s);
    setWindowTitle(u"SOAP Request wizard"_s);
    formBar()->setObjectName(u"ctrlFormBar1"_s);
    formBar()->setCaption(u"SOAP Request wizard"_s);
    formBar()->setBarColor(1);
    formBar()->setShowmenu(false);
    formBar()->setShowMinimizeButton(false);
    formBar()->setShowMaximizeButton(false);
    formBar()->setShowCloseButton(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(Twips::toPx(kMargin), formBar()->height() + Twips::toPx(kMargin),
                               Twips::toPx(kMargin), Twips::toPx(kMargin));
    layout->addWidget(m_panel);

    connect(m_panel, &ctrlSOAP::OkClicked, this, &QDialog::accept);
    connect(m_panel, &ctrlSOAP::CancelClicked, this, &QDialog::reject);
    resize(Twips::toPx(kWidth), Twips::toPx(kHeight));
}

frmSOAPAction::~frmSOAPAction() = default;

bool frmSOAPAction::run()
{
    return DialogRunner::exec(*this) == QDialog::Accepted;
}
