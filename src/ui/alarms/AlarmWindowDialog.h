// The alarm window's widgets: a modeless dialog in the alarm's priority
// colour with the caption band, the two times, the short and long texts,
// the running text, the comment and "Bestaetigen". Hidden sections collapse
// and the window shrinks with them. The operator's actions go to the
// window's logic; the close box and Escape postpone.
#pragma once

#include "alarm/AlarmWindowContent.h"
#include "alarm/AlarmWindowEvents.h"

#include <QDialog>
#include <functional>

class AlarmScroller;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

class AlarmWindowDialog final : public QDialog {
    Q_OBJECT

public:
    // The width a window opens with unless a remembered one applies.
    static constexpr int kDefaultWidth = 520;
    static constexpr int kMinimumWidth = 360;

    // `shiftHeld` tells whether Shift is down while the window is minimised
    // or restored.
    AlarmWindowDialog(AlarmWindowEvents& events, std::function<bool()> shiftHeld);

    // After this the dialog reports nothing more.
    void Detach() { m_events = nullptr; }

    void ShowContent(const AlarmWindowContent& content);
    void PlaceAt(QPoint position);
    void SetWidth(int width);
    void AdvanceScroller();
    void SetCaptionFlash(bool on);
    bool CaptionFlash() const { return m_flash; }
    void MinimiseQuietly();
    void RestoreQuietly();
    // Hidden for good; the close box no longer postpones.
    void CloseForGood();

    QString Comment() const;
    void ShowRefusal(const QString& reason);

    bool IsClosedForGood() const { return m_closedForGood; }

    // For tests and screenshots.
    QWidget* CaptionBand() const { return m_band; }
    QLabel* Caption() const { return m_caption; }
    QLabel* ShortText() const { return m_shortText; }
    QLabel* LongText() const { return m_longText; }
    AlarmScroller* Scroller() const { return m_scroller; }
    QLabel* CommentLabel() const { return m_commentLabel; }
    QLineEdit* CommentBox() const { return m_comment; }
    QLabel* Refusal() const { return m_refusal; }
    QPushButton* ConfirmButton() const { return m_confirm; }
    QPushButton* PostponeButton() const { return m_postpone; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildControls();
    void BuildConfirmation(QVBoxLayout& body);
    void ApplyColours();
    void FitHeight(int width);

    AlarmWindowEvents* m_events;
    std::function<bool()> m_shiftHeld;
    AlarmWindowContent m_content;
    bool m_resizable = false;
    bool m_placed = false;
    bool m_closedForGood = false;
    bool m_flash = false;
    // Set while the window itself changes its state or size, so that only
    // the operator's changes are reported.
    bool m_quiet = false;
    QPoint m_reportedPosition;
    int m_reportedWidth = -1;

    QWidget* m_band = nullptr;
    QLabel* m_caption = nullptr;
    QLabel* m_priority = nullptr;
    QLabel* m_arrival = nullptr;
    QLabel* m_departure = nullptr;
    QLabel* m_shortText = nullptr;
    QLabel* m_longText = nullptr;
    AlarmScroller* m_scroller = nullptr;
    QLabel* m_commentLabel = nullptr;
    QLineEdit* m_comment = nullptr;
    QLabel* m_refusal = nullptr;
    QPushButton* m_confirm = nullptr;
    QPushButton* m_postpone = nullptr;
    QList<QLabel*> m_captions;
};
