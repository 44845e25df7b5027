#pragma once

#include "persistence/SettingsPanel.h"
#include "shell/widgets/FramedWindow.h"

#include <QIcon>

#include <functional>

struct AutoSettings;
class MessageSink;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;

// The control panel: the five automatic settings as check boxes (changed for this run only)
// and the help and resource links. The configuration loader fills both lists.
class frmControlPanel final : public FramedWindow, public SettingsPanel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmControlPanel)

public:
    // settings and messages must outlive the panel.
    frmControlPanel(AutoSettings& settings, MessageSink& messages, QWidget* parent = nullptr);
    ~frmControlPanel() override;

    // What the "about" link opens; none: nothing happens.
    void setAboutOpener(std::function<void()> opener) { m_about = std::move(opener); }
    // What the "Client certificates..." button opens; the button shows only once one is set.
    void setClientCertificatesOpener(std::function<void()> opener);
    QPushButton* clientCertificatesButton() const { return cmdClientCertificates; }
    // Selects tab 0 (settings) or 1 (links) and gives the tab strip the focus.
    void showTab(int index);
    // Adds a further page after the two the panel has.
    void addPage(QWidget* page, const QString& caption);

    // SettingsPanel
    qint32 AddAutoSetting(const QString& caption, const QString& key, bool checked) override;
    qint32 AddHelpMenuItem(const QString& caption, const QString& target) override;

    // Opens the link of item: the about window, nothing for a heading, else the desktop's
    // handler when the target is allowed (a message says why it is not).
    void openLink(QListWidgetItem* item);

    QTabWidget* tabs() const { return TabStrip1; }
    QListWidget* settingsList() const { return lstAutoSettings; }
    QListWidget* linksList() const { return lstHelp; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void settingChanged(QListWidgetItem* item);
    void fitToContent();

    AutoSettings& m_settings;
    MessageSink& m_messages;
    QTabWidget* TabStrip1;
    QListWidget* lstAutoSettings;
    QListWidget* lstHelp;
    std::function<void()> m_about;
    QIcon m_sectionIcon; // of help headings and links, made at first use
    QIcon m_linkIcon;
    QPushButton* cmdClientCertificates;
    std::function<void()> m_clientCertificates;
};
