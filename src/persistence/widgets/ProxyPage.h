#pragma once

#include "persistence/ProxyPreference.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QRadioButton;

// The control panel's proxy page: none, from the environment, or this proxy (URL with
// credentials, bypass list). A change that can be used is handed on at once; a proxy URL that
// does not parse is named in the page and not handed on.
class ProxyPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ProxyPage)

public:
    explicit ProxyPage(const ProxyPreference& preference, QWidget* parent = nullptr);
    ~ProxyPage() override;

    // What the page shows now.
    ProxyPreference preference() const;

    QRadioButton* noneButton() const { return optNone; }
    QRadioButton* environmentButton() const { return optEnvironment; }
    QRadioButton* urlButton() const { return optUrl; }
    QLineEdit* urlEdit() const { return txtProxyUrl; }
    QLineEdit* bypassEdit() const { return txtNoProxy; }
    QLabel* problemLabel() const { return lblProblem; }

Q_SIGNALS:
    // The user changed the setting to this usable one.
    void changed(const ProxyPreference& preference);

private:
    void onEdited();

    QRadioButton* optNone;
    QRadioButton* optEnvironment;
    QRadioButton* optUrl;
    QLineEdit* txtProxyUrl;
    QLineEdit* txtNoProxy;
    QLabel* lblProblem;
    ProxyPreference m_last;
};
