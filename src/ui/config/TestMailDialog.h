// The test-mail dialog ("SMTP-Einstellungen/E-Mail testen"): shows the
// progress of SmtpTestMail with an animated icon, ticks it from a 50 ms
// timer, and ends with the result text and icon.
#pragma once

#include "links/SmtpTestMail.h"

#include <QDialog>
#include <QTimer>
#include <string>

class ConfigNode;
class ConfigTree;
class Prompt;
class QLabel;
class QPushButton;

class TestMailDialog final : public QDialog {
    Q_OBJECT

public:
    // The pause between the connecting text and the start, so it can be read.
    static constexpr int kStartDelayMs = 750;

    TestMailDialog(SmtpTestMail::Settings settings, Clock& clock, QWidget* parent = nullptr);

    SmtpTestMail& Test() { return m_test; }
    QString StatusText() const;
    bool Finished() const { return m_finished; }

    void reject() override;

signals:
    void ResultShown();

private:
    void Begin();
    void OnTick();
    void ShowState();

    SmtpTestMail m_test;
    QTimer m_timer;
    QLabel* m_icon = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_finished = false;
};

// "Testen": the server settings from a System folder (the saved one, or the
// system page's copy while it is edited) and the typed sender and recipient;
// without a server, sender or recipient the missing-field message instead of
// the dialog.
void RunTestMail(const ConfigNode& system, Prompt& prompt, const std::string& from,
                 const std::string& to, QWidget* parent);
