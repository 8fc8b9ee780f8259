// The window "Wardex - Alarmweiterleitung": forwarding mode lasts as long as
// its manager exists. The manager goes the moment the window accepts to
// close, so no telegram is queued into a client that is about to vanish;
// the owner is told through `closed` and deletes the widget later.
#pragma once

#include "links/ForwardingManager.h"

#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QPushButton;

class ForwardingWindow final : public QWidget, public ForwardingView {
    Q_OBJECT

public:
    ForwardingWindow(ForwardingParts parts, std::function<void()> closed,
                     QWidget* parent = nullptr);
    ~ForwardingWindow() override;

    // Puts host into the host box and presses Start.
    void StartWith(const std::string& host);
    // The station ends: forwarding stops and the queue is stored here.
    void EndForwarding();

    ForwardingManager* Manager() { return m_manager.get(); }

    // ForwardingView
    void Show(const ForwardingDisplay& display) override;
    void SetTimerRunning(bool running) override;
    void CountsChanged() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void LayOut();
    void ConnectControls();
    void Finish();

    std::unique_ptr<ForwardingManager> m_manager;
    std::function<void()> m_closed;
    QTimer m_timer;
    // Shows moved counts while m_timer is stopped.
    QTimer m_countsTimer;
    QComboBox* m_host = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_deleteAll = nullptr;
    QPushButton* m_close = nullptr;
    QLabel* m_linkIcon = nullptr;
    QLabel* m_activityIcon = nullptr;
    QLabel* m_activity = nullptr;
    QLabel* m_hostStatus = nullptr;
    QLabel* m_target = nullptr;
    QLabel* m_received = nullptr;
    QLabel* m_forwarded = nullptr;
    QLabel* m_queue = nullptr;
    LinkLook m_shownLook = LinkLook::Error;
    int m_shownFrame = -2;
    bool m_filled = false;
};
