// The logic of the test-mail dialog ("SMTP-Einstellungen/E-Mail testen"): it
// sends a fixed test mail through a pump of its own, advanced one pass per
// timer tick, animates while it waits and ends with a result text and icon.
// The dialog shows what this object says and calls Tick from its timer.
#pragma once

#include "links/SmtpClient.h"
#include "net/SocketPump.h"

#include <memory>
#include <string>

enum class TestMailIcon { Working, Success, Error };

class Clock;

class SmtpTestMail {
public:
    static constexpr int kTickMs = 50;
    static constexpr int kAnimationFrames = 4;
    static constexpr int kTicksPerDot = 8;
    static constexpr size_t kMaxDottedText = 128;

    struct Settings {
        std::string server; // may end in ":port"
        std::string from;
        std::string to;
        SmtpAuth auth = SmtpAuth::No;
        std::string authUser;
        std::string authPassword;
    };

    // Server, sender and recipient are trimmed of surrounding blanks.
    // The clock dates the mail.
    SmtpTestMail(Settings settings, Clock& clock);
    ~SmtpTestMail();
    SmtpTestMail(const SmtpTestMail&) = delete;
    SmtpTestMail& operator=(const SmtpTestMail&) = delete;

    // False when the server, sender or recipient is empty: the dialog does
    // not run, the caller shows MissingFieldsText instead.
    bool HasRequiredFields() const;
    static std::string Caption();
    static std::string MissingFieldsCaption();
    static std::string MissingFieldsText();

    // The status text before the client starts.
    std::string ConnectingText() const;
    // Starts the test mail. False when the start failed: the result is shown
    // at once.
    bool Begin();
    // One timer tick: animation, one pump pass, and the result once the
    // connection has ended. False once the result is shown.
    bool Tick();
    // Abbrechen: ends the test with the result for the status reached.
    void Cancel();

    bool IsRunning() const { return m_running; }
    int Status() const { return m_status; }
    const std::string& StatusText() const { return m_statusText; }
    TestMailIcon Icon() const { return m_icon; }
    // 0 to kAnimationFrames - 1 while working.
    int AnimationFrame() const { return m_ticks % kAnimationFrames; }
    const Settings& CurrentSettings() const { return m_settings; }

    // The result text for a status.
    static std::string ResultText(int status, const std::string& server,
                                  const std::string& recipient);

private:
    void ShowResult();

    Settings m_settings;
    Clock& m_clock;
    SocketPump m_pump;
    std::unique_ptr<SmtpClient> m_client;
    // A start that fails on an invalid port writes no status: it then reads
    // as an unreachable server.
    int m_status = SmtpClient::kUnreachable;
    std::string m_statusText;
    TestMailIcon m_icon = TestMailIcon::Working;
    int m_ticks = 0;
    bool m_running = false;
};
