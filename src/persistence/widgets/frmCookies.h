#pragma once

#include "persistence/CookieViewer.h"
#include "shell/widgets/FramedWindow.h"

class AppData;
class MessageSink;
class QPushButton;
class QTableWidget;

// The stored persistent cookies, grouped under bold host rows. A click in the first column of
// a cookie row blocks or unblocks it, Delete removes it after asking; each change goes to the
// cookie store and is saved at once. A failed store call puts the row back. The store keeps
// the window current, also while it is hidden.
class frmCookies final : public FramedWindow, public CookieViewer
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmCookies)

public:
    // Becomes the cookie store's viewer until destroyed; app and messages must outlive it.
    frmCookies(AppData& app, MessageSink& messages, QWidget* parent = nullptr);
    ~frmCookies() override;

    // CookieViewer. Session cookies (no expiry) are ignored.
    qint32 AddCookie(const Cookie& cookie) override;
    void RemoveCookie(const QString& host, const QString& name) override;

    QTableWidget* grid() const { return flxCookies; }
    QPushButton* deleteButton() const { return cmdDelete; }

private:
    int hostRow(const QString& host) const;
    int cookieRow(const QString& host, const QString& name) const;
    bool isCookieRow(int row) const;
    void setBlocked(int row, bool blocked);
    void removeRow(int row);
    void cellClicked(int row, int column);
    void cmdDelete_Click();
    void updateDeleteButton();

    AppData& m_app;
    MessageSink& m_messages;
    QTableWidget* flxCookies;
    QPushButton* cmdDelete;
};
