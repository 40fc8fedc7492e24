#include "ui/Controls.h"

#include "ui/BaseWindow.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QSlider>
#include <cstdlib>

namespace {
enum PictureState { kNormal, kPressed, kDisabled, kHover };

struct PICTURE_DESC {
    int picture;
    char glyph; // 'c' commands, 'p' play, 'r' record off, 'R' record on
    PictureState state;
};

constexpr PICTURE_DESC kPictures[] = {
    {kPicCmdNormal, 'c', kNormal},           {kPicCmdPressed, 'c', kPressed},
    {kPicCmdDisabled, 'c', kDisabled},       {kPicCmdHover, 'c', kHover},
    {kPicPlayNormal, 'p', kNormal},          {kPicPlayPressed, 'p', kPressed},
    {kPicPlayDisabled, 'p', kDisabled},      {kPicPlayHover, 'p', kHover},
    {kPicRecordOffNormal, 'r', kNormal},     {kPicRecordOffPressed, 'r', kPressed},
    {kPicRecordOffDisabled, 'r', kDisabled}, {kPicRecordOffHover, 'r', kHover},
    {kPicRecordOnNormal, 'R', kNormal},      {kPicRecordOnPressed, 'R', kPressed},
    {kPicRecordOnDisabled, 'R', kDisabled},  {kPicRecordOnHover, 'R', kHover},
};

const PICTURE_DESC* FindPicture(int picture) {
    for (const PICTURE_DESC& desc : kPictures)
        if (desc.picture == picture)
            return &desc;
    return nullptr;
}
} // namespace

QPixmap DrawButtonPicture(int picture, QSize size, qreal devicePixelRatio) {
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    const PICTURE_DESC* desc = FindPicture(picture);
    if (!desc || size.isEmpty())
        return pixmap;

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QRectF face(0.5, 0.5, size.width() - 1.0, size.height() - 1.0);
    QColor top(0xF4, 0xF6, 0xFA), bottom(0xD5, 0xDA, 0xE3), edge(0x7A, 0x84, 0x96);
    QColor ink(0x1F, 0x3A, 0x68);
    if (desc->state == kPressed) {
        std::swap(top, bottom);
        face.translate(0.5, 0.5);
    } else if (desc->state == kHover) {
        top = QColor(0xFF, 0xFF, 0xFF);
        edge = QColor(0x3D, 0x6F, 0xC4);
    } else if (desc->state == kDisabled) {
        top = bottom = QColor(0xE6, 0xE6, 0xE6);
        edge = QColor(0xB0, 0xB0, 0xB0);
        ink = QColor(0xA0, 0xA0, 0xA0);
    }
    QLinearGradient fill(face.topLeft(), face.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill);
    qreal radius = std::min(size.width(), size.height()) * 0.18;
    p.drawRoundedRect(face, radius, radius);

    QPointF c = face.center();
    qreal s = std::min(face.width(), face.height()) * 0.5;
    p.setPen(Qt::NoPen);
    switch (desc->glyph) {
    case 'c': { // three bars and a drop-down arrow: "more commands"
        p.setBrush(ink);
        qreal w = s * 0.9, h = std::max<qreal>(1.5, s * 0.14);
        for (int i = -1; i <= 1; ++i)
            p.drawRect(QRectF(c.x() - w * 0.75, c.y() + i * s * 0.35 - h / 2, w, h));
        QPainterPath arrow;
        arrow.moveTo(c.x() + w * 0.35, c.y() - s * 0.1);
        arrow.lineTo(c.x() + w * 0.75, c.y() - s * 0.1);
        arrow.lineTo(c.x() + w * 0.55, c.y() + s * 0.15);
        arrow.closeSubpath();
        p.drawPath(arrow);
        break;
    }
    case 'p': {
        QPainterPath triangle;
        triangle.moveTo(c.x() - s * 0.35, c.y() - s * 0.5);
        triangle.lineTo(c.x() + s * 0.5, c.y());
        triangle.lineTo(c.x() - s * 0.35, c.y() + s * 0.5);
        triangle.closeSubpath();
        p.setBrush(desc->state == kDisabled ? ink : QColor(0x1E, 0x8C, 0x3A));
        p.drawPath(triangle);
        break;
    }
    case 'r':
    case 'R': {
        QColor dot = desc->glyph == 'R' ? QColor(0xE0, 0x1B, 0x1B) : QColor(0x8A, 0x2A, 0x2A);
        if (desc->state == kDisabled)
            dot = ink;
        p.setBrush(dot);
        p.drawEllipse(c, s * 0.45, s * 0.45);
        if (desc->glyph == 'R') { // a halo says "recording now"
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(dot, std::max<qreal>(1.0, s * 0.08)));
            p.drawEllipse(c, s * 0.65, s * 0.65);
        }
        break;
    }
    }
    return pixmap;
}

// ---------------------------------------------------------------- bitmap buttons

CCustomButton::CCustomButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

bool CCustomButton::Create(QWidget* parent, QWidget* placeholder, int commandId, const char* name,
                           QRect place) {
    m_name = name;
    if (!parent) {
        m_error.Format("Can't create window '%s'", name);
        return false;
    }
    setParent(parent);
    if (placeholder) {
        place = placeholder->geometry();
        placeholder->hide();
    }
    setGeometry(place);
    setToolTip(QString::fromUtf8(name));
    setAccessibleName(QString::fromUtf8(name));
    m_command = commandId;
    LoadPictures();
    SetCurrent(m_pictures[kNormal]);
    show();
    return true;
}

void CCustomButton::SetCurrent(int picture) {
    m_current = picture;
    update();
}

void CCustomButton::Fire() {
    emit Command(m_command);
    if (auto* owner = OwnerWindow(this))
        owner->OnCommand(m_command, 0);
}

void CCustomButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, DrawButtonPicture(m_current, size(), devicePixelRatioF()));
}

void CCustomButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)
        return;
    if (!m_fixedPicture) {
        m_state = kDown;
        SetCurrent(m_pictures[kPressed]);
    }
    if (m_fireOnPress)
        Fire();
}

void CCustomButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton)
        return;
    if (!m_fixedPicture) {
        m_state = kUp;
        SetCurrent(m_pictures[kNormal]);
    }
    if (!m_fireOnPress)
        Fire();
}

void CCustomButton::enterEvent(QEnterEvent*) {
    if (!m_fixedPicture && isEnabled() && m_state == kUp)
        SetCurrent(m_pictures[kHover]);
}

void CCustomButton::leaveEvent(QEvent*) {
    if (isEnabled())
        SetCurrent(m_pictures[kNormal]);
}

void CCmdButton::LoadPictures() {
    int pictures[4] = {kPicCmdNormal, kPicCmdPressed, kPicCmdDisabled, kPicCmdHover};
    std::copy(pictures, pictures + 4, m_pictures);
}

void CPlayButton::LoadPictures() {
    int pictures[4] = {kPicPlayNormal, kPicPlayPressed, kPicPlayDisabled, kPicPlayHover};
    std::copy(pictures, pictures + 4, m_pictures);
}

void CPlayButton::Enable(bool enable) {
    m_current = enable ? m_pictures[kNormal] : m_pictures[kDisabled];
    setEnabled(enable);
    update();
}

void CRecordButton::LoadPictures() {
    int off[4] = {kPicRecordOffNormal, kPicRecordOffPressed, kPicRecordOffDisabled,
                  kPicRecordOffHover};
    int on[4] = {kPicRecordOnNormal, kPicRecordOnPressed, kPicRecordOnDisabled, kPicRecordOnHover};
    std::copy(m_recording ? on : off, (m_recording ? on : off) + 4, m_pictures);
}

void CRecordButton::SetRecording(bool recording) {
    m_recording = recording;
    LoadPictures();
    m_current = m_pictures[kNormal];
    bool enabled = isEnabled();
    setEnabled(enabled);
    if (!enabled)
        m_current = m_pictures[kDisabled];
    update();
}

// ---------------------------------------------------------------- bars

int CTrackBar::PositionFor(double value, int a, int b, double f0, double f1) {
    if (f1 == f0)
        return a;
    return static_cast<int>(value / (f1 - f0) * (b - a));
}

double CTrackBar::ValueAt(int position, int a, int b, double f0, double f1) {
    if (b == a)
        return f0;
    return (f1 - f0) * position / (b - a);
}

void CTrackBar::SetRange(int a, int b, int pageSize, double f0, double f1) {
    m_a = a;
    m_b = b;
    m_f0 = f0;
    m_f1 = f1;
    if (m_slider) {
        m_slider->setRange(a, b);
        m_slider->setPageStep(pageSize);
        m_slider->update();
    }
}

int CTrackBar::GetPosition() const {
    return m_slider ? m_slider->value() : m_a;
}

double CTrackBar::GetValue() const {
    return ValueAt(GetPosition(), m_a, m_b, m_f0, m_f1);
}

void CTrackBar::SetValue(double value) {
    if (m_slider)
        m_slider->setValue(PositionFor(value, m_a, m_b, m_f0, m_f1));
}

void CTrackBar::AddTick(int position) {
    // Qt draws ticks at an interval, not at chosen positions: the first tick sets it.
    if (m_slider && position != m_a) {
        m_slider->setTickPosition(QSlider::TicksBelow);
        if (m_slider->tickInterval() == 0)
            m_slider->setTickInterval(std::abs(position - m_a));
    }
}

void CProgressBar::SetRange(int a, int b, int step, double f0, double f1) {
    m_a = a;
    m_b = b;
    m_step = step;
    m_f0 = f0;
    m_f1 = f1;
    if (m_bar)
        m_bar->setRange(a, b);
}

void CProgressBar::SetColors(QColor below, QColor above, double threshold) {
    m_below = below;
    m_above = above;
    m_threshold = threshold;
}

void CProgressBar::SetValue(double value) {
    int position = CTrackBar::PositionFor(value, m_a, m_b, m_f0, m_f1);
    QColor colour = value > m_threshold ? m_above : m_below;
    if (!m_bar)
        return void(m_current = colour);
    m_bar->setValue(std::clamp(position, m_a, m_b));
    if (colour != m_current || m_bar->styleSheet().isEmpty())
        m_bar->setStyleSheet(
            QString("QProgressBar::chunk { background-color: %1; }").arg(colour.name()));
    m_current = colour;
}

// ---------------------------------------------------------------- lists

bool CListWrapper::Bind(QComboBox* combo) {
    m_combo = combo;
    m_list = nullptr;
    return combo != nullptr;
}

bool CListWrapper::Bind(QListWidget* list) {
    m_list = list;
    m_combo = nullptr;
    return list != nullptr;
}

QWidget* CListWrapper::Control() const {
    return m_combo ? static_cast<QWidget*>(m_combo) : static_cast<QWidget*>(m_list);
}

void CListWrapper::Reset() {
    if (m_combo)
        m_combo->clear();
    else if (m_list)
        m_list->clear();
}

bool CListWrapper::AddItem(const char* text, int32_t value) {
    QString label = QString::fromUtf8(text ? text : "");
    if (m_combo) {
        m_combo->addItem(label, QVariant(value));
        return true;
    }
    if (m_list) {
        auto* item = new QListWidgetItem(label, m_list);
        item->setData(Qt::UserRole, QVariant(value));
        return true;
    }
    return false;
}

int CListWrapper::GetCount() const {
    if (m_combo)
        return m_combo->count();
    return m_list ? m_list->count() : 0;
}

CCharString CListWrapper::GetItemText(int index) const {
    QString text;
    if (m_combo)
        text = m_combo->itemText(index);
    else if (m_list && m_list->item(index))
        text = m_list->item(index)->text();
    return CCharString(text.toUtf8().constData());
}

int32_t CListWrapper::GetItemValue(int index) const {
    if (m_combo)
        return m_combo->itemData(index).toInt();
    if (m_list && m_list->item(index))
        return m_list->item(index)->data(Qt::UserRole).toInt();
    return 0;
}

bool CListWrapper::GetSelectedIndex(int& index) const {
    index = m_combo ? m_combo->currentIndex() : (m_list ? m_list->currentRow() : -1);
    if (m_list && index >= 0 && !m_list->item(index)->isSelected())
        index = -1;
    return index >= 0;
}

CCharString CListWrapper::GetSelectedText() const {
    int index;
    return GetSelectedIndex(index) ? GetItemText(index) : CCharString();
}

int32_t CListWrapper::GetSelectedValue() const {
    int index;
    return GetSelectedIndex(index) ? GetItemValue(index) : 0;
}

bool CListWrapper::SelectIndex(int index) {
    if (index < -1 || index >= GetCount())
        return false;
    if (m_combo)
        m_combo->setCurrentIndex(index);
    else if (m_list)
        m_list->setCurrentRow(index);
    return index >= 0;
}

bool CListWrapper::SelectValue(int32_t value) {
    for (int i = 0; i < GetCount(); ++i)
        if (GetItemValue(i) == value)
            return SelectIndex(i);
    SelectIndex(-1);
    return false;
}

bool CListWrapper::SelectText(const char* text, bool addWhenMissing) {
    for (int i = 0; i < GetCount(); ++i)
        if (GetItemText(i) == text)
            return SelectIndex(i);
    if (addWhenMissing && AddItem(text, 0))
        return SelectIndex(GetCount() - 1);
    SelectIndex(-1);
    return false;
}

bool CListWrapper::SelectAtPoint(QPoint point) {
    if (!m_list)
        return false;
    QListWidgetItem* item = m_list->itemAt(point);
    if (!item)
        return false;
    return SelectIndex(m_list->row(item));
}

void CListWrapper::Enable(bool enable) {
    if (QWidget* control = Control())
        control->setEnabled(enable);
}

bool CListWrapper::IsEnabled() const {
    QWidget* control = Control();
    return control && control->isEnabled();
}

// ---------------------------------------------------------------- check, edit, static

bool CCheckWrapper::Bind(QAbstractButton* button) {
    m_button = button;
    return button != nullptr;
}

bool CCheckWrapper::GetCheck() const {
    return m_button && m_button->isChecked();
}

void CCheckWrapper::SetCheck(bool checked) {
    if (m_button)
        m_button->setChecked(checked);
}

bool CTextWrapper::Bind(QLineEdit* edit) {
    m_edit = edit;
    m_label = nullptr;
    return edit != nullptr;
}

bool CTextWrapper::Bind(QLabel* label) {
    m_label = label;
    m_edit = nullptr;
    return label != nullptr;
}

void CTextWrapper::SetText(const char* text) {
    QString value = QString::fromUtf8(text ? text : "");
    if (m_edit)
        m_edit->setText(value);
    else if (m_label)
        m_label->setText(value);
}

void CTextWrapper::SetInt(int value) {
    CCharString text;
    text.Format("%d", value);
    SetText(text);
}

void CTextWrapper::SetNumber(double value, int decimals) {
    CCharString text;
    text.Format("%0.*f", decimals, value);
    SetText(text);
}

CCharString CTextWrapper::GetText() const {
    QString text = m_edit ? m_edit->text() : (m_label ? m_label->text() : QString());
    return CCharString(text.toUtf8().constData());
}

int CTextWrapper::GetInt() const {
    return std::atoi(GetText());
}

double CTextWrapper::GetNumber() const {
    return std::atof(GetText());
}

void CTextWrapper::Enable(bool enable) {
    if (m_edit)
        m_edit->setEnabled(enable);
    else if (m_label)
        m_label->setEnabled(enable);
}
