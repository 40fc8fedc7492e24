#pragma once

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <cstdint>

#include "core/CharString.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSlider>

// Picture numbers of the bitmap buttons. The pictures are drawn by DrawButtonPicture; the
// numbers only name them.
enum BUTTON_PICTURE : int {
    kPicRecordOffNormal = 1196,
    kPicRecordOffHover = 1197,
    kPicRecordOffPressed = 1201,
    kPicRecordOffDisabled = 1204,
    kPicRecordOnNormal = 1207,
    kPicRecordOnHover = 1209,
    kPicRecordOnDisabled = 1212,
    kPicRecordOnPressed = 1217,
    kPicCmdNormal = 1220,
    kPicCmdHover = 1222,
    kPicCmdPressed = 1224,
    kPicCmdDisabled = 1225,
    // The play button's pictures have no numbers of their own elsewhere; these follow on.
    kPicPlayNormal = 1230,
    kPicPlayHover = 1231,
    kPicPlayPressed = 1232,
    kPicPlayDisabled = 1233,
};

// Draws one of the button pictures at the given size (device-independent pixels; the pixmap
// carries the device pixel ratio so it stays sharp at 200%).
QPixmap DrawButtonPicture(int picture, QSize size, qreal devicePixelRatio = 1.0);

// A button drawn from four pictures: normal, pressed, disabled and a hover picture. It sends
// its command identifier to the parent (CBaseWindow::OnCommand when the parent is one, and the
// Command signal in any case) when it goes down, or when it comes up without fire-on-press.
class CCustomButton : public QWidget {
    Q_OBJECT
public:
    enum { kUp = 1, kDown = 2 };

    explicit CCustomButton(QWidget* parent = nullptr);
    // Made as a child of parent in the place and size of placeholder (which is hidden), or at
    // place when no placeholder is given. Fails with "Can't create window '%s'".
    bool Create(QWidget* parent, QWidget* placeholder, int commandId, const char* name,
                QRect place = QRect());
    int GetCommand() const { return m_command; }
    int GetState() const { return m_state; }
    const CCharString& GetName() const { return m_name; }
    const CCharString& GetError() const { return m_error; }
    void SetFixedPicture(bool fixed) { m_fixedPicture = fixed; }
    void SetFireOnPress(bool fire) { m_fireOnPress = fire; }
    int GetCurrentPicture() const { return m_current; }

signals:
    void Command(int id);

protected:
    // Subclasses set m_pictures (normal, pressed, disabled, hover).
    virtual void LoadPictures() = 0;
    void SetCurrent(int picture);
    void Fire();

    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;

    int m_command = 0;
    CCharString m_name;
    CCharString m_error;
    int m_pictures[4] = {0, 0, 0, 0};
    int m_current = 0;
    int m_state = kUp;
    bool m_fixedPicture = false;
    bool m_fireOnPress = true;
};

class CCmdButton : public CCustomButton {
    Q_OBJECT
public:
    using CCustomButton::CCustomButton;

protected:
    void LoadPictures() override;
};

class CPlayButton : public CCustomButton {
    Q_OBJECT
public:
    using CCustomButton::CCustomButton;
    // The normal picture when enabled, the disabled one when not.
    void Enable(bool enable);

protected:
    void LoadPictures() override;
};

class CRecordButton : public CCustomButton {
    Q_OBJECT
public:
    using CCustomButton::CCustomButton;
    void SetRecording(bool recording);
    bool IsRecording() const { return m_recording; }

protected:
    void LoadPictures() override;

private:
    bool m_recording = false;
};

// A slider whose integer positions a..b map to values: value = (f1 - f0) x position / (b - a).
class CTrackBar {
public:
    void Bind(QSlider* slider) { m_slider = slider; }
    QSlider* Control() const { return m_slider; }
    void SetRange(int a, int b, int pageSize, double f0, double f1);
    double GetValue() const;
    void SetValue(double value);
    int GetPosition() const;
    void AddTick(int position);
    // Position for a value: truncation of value / (f1 - f0) x (b - a).
    static int PositionFor(double value, int a, int b, double f0, double f1);
    static double ValueAt(int position, int a, int b, double f0, double f1);

private:
    QPointer<QSlider> m_slider;
    int m_a = 0, m_b = 100;
    double m_f0 = 0.0, m_f1 = 1.0;
};

// A progress bar with the same value mapping whose colour switches above a threshold.
class CProgressBar {
public:
    void Bind(QProgressBar* bar) { m_bar = bar; }
    void SetRange(int a, int b, int step, double f0, double f1);
    void SetColors(QColor below, QColor above, double threshold);
    void SetValue(double value);
    QColor GetBarColor() const { return m_current; }

private:
    QPointer<QProgressBar> m_bar;
    int m_a = 0, m_b = 100, m_step = 1;
    double m_f0 = 0.0, m_f1 = 1.0;
    QColor m_below = Qt::green, m_above = Qt::red, m_current = Qt::green;
    double m_threshold = 1.0;
};

// One interface over a list box (QListWidget) or a combo box (QComboBox). Every item carries
// a text and a 32-bit value.
class CListWrapper {
public:
    // Fails when no control is given.
    bool Bind(QComboBox* combo);
    bool Bind(QListWidget* list);
    bool IsCombo() const { return m_combo != nullptr; }
    QWidget* Control() const;

    void Reset();
    bool AddItem(const char* text, int32_t value);
    int GetCount() const;
    CCharString GetItemText(int index) const;
    int32_t GetItemValue(int index) const;
    // -1 and false when nothing is selected.
    bool GetSelectedIndex(int& index) const;
    // Empty text and value 0 when nothing is selected.
    CCharString GetSelectedText() const;
    int32_t GetSelectedValue() const;
    bool SelectIndex(int index);
    // The first item with the value; when none, clears the selection and returns false.
    bool SelectValue(int32_t value);
    // The first item with the text; when none, adds it (when asked) and selects it, or clears
    // the selection and returns false.
    bool SelectText(const char* text, bool addWhenMissing = false);
    // The item under a point of the control (list boxes; a combo box selects nothing).
    bool SelectAtPoint(QPoint point);
    void Enable(bool enable);
    bool IsEnabled() const;

private:
    QPointer<QComboBox> m_combo;
    QPointer<QListWidget> m_list;
};

// Check box or radio button.
class CCheckWrapper {
public:
    bool Bind(QAbstractButton* button);
    bool GetCheck() const;
    void SetCheck(bool checked);

private:
    QPointer<QAbstractButton> m_button;
};

// Edit field (QLineEdit) or static text (QLabel).
class CTextWrapper {
public:
    bool Bind(QLineEdit* edit);
    bool Bind(QLabel* label);
    void SetText(const char* text);
    void SetInt(int value);
    void SetNumber(double value, int decimals);
    CCharString GetText() const;
    int GetInt() const;
    double GetNumber() const;
    void Enable(bool enable);

private:
    QPointer<QLineEdit> m_edit;
    QPointer<QLabel> m_label;
};
