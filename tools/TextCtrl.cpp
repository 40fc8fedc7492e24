#include "tools/TextCtrl.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "core/SystemError.h"
#include "ui/BaseWindow.h"

namespace {

// The room a page keeps open below a wrapped paragraph's right end.
constexpr int kRightMargin = 5;
constexpr int kWheelSteps = 3;
const QColor kTextColour(0, 0, 0);
const QColor kHeadingColour(0, 0, 255);

QFont MakeFont(int pixelSize, int weight) {
    QFont font("Arial");
    font.setPixelSize(pixelSize);
    font.setWeight(static_cast<QFont::Weight>(weight));
    return font;
}

} // namespace

CTextCtrl::CTextCtrl(QWidget* parent) : QWidget(parent) {
    m_fonts[kFontNormal] = MakeFont(16, 400);
    m_fonts[kFontHeading1] = MakeFont(24, 700);
    m_fonts[kFontHeading2] = MakeFont(20, 700);
    m_fonts[kFontHeading3] = MakeFont(16, 700);
    m_lineSpacing = std::max(1, QFontMetrics(m_fonts[kFontNormal]).lineSpacing());

    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_scrollBar = new QScrollBar(Qt::Vertical, this);
    m_scrollBar->setRange(0, 0);
    m_scrollBar->setSingleStep(1);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &CTextCtrl::OnScrolled);
}

CTextCtrl::~CTextCtrl() = default;

void CTextCtrl::SplitLine(const char* line, CCharString& tag, CCharString& content) {
    tag.Empty();
    content.Empty();
    if (!line)
        return;
    if (line[0] != '<') {
        content.Set(line);
        return;
    }
    const char* close = std::strchr(line, '>');
    if (!close) {
        // No ">": everything is tag and nothing is content, which ends the page.
        tag.Set(line + 1);
        return;
    }
    tag.Set(std::string(line + 1, static_cast<size_t>(close - line - 1)).c_str());
    content.Set(close + 1);
}

bool CTextCtrl::ReadTextFile(const char* path, std::string& text, CCharString& reason) {
    text.clear();
    std::FILE* file = std::fopen(path ? path : "", "rb");
    if (!file) {
        reason = DescribeLastError();
        return false;
    }
    char block[16384];
    size_t got;
    while ((got = std::fread(block, 1, sizeof(block), file)) > 0)
        text.append(block, got);
    bool failed = std::ferror(file) != 0;
    if (failed)
        reason = DescribeLastError();
    std::fclose(file);
    return !failed;
}

bool CTextCtrl::LoadFile(const char* path) {
    std::string text;
    CCharString reason;
    if (!ReadTextFile(path, text, reason)) {
        m_error.Format("Can't read file '%s': %s", path ? path : "", reason.GetText());
        SetText("");
        return false;
    }
    m_error.Empty();
    SetText(text.c_str());
    return true;
}

void CTextCtrl::SetText(const char* text) {
    ClearButtons();
    m_lines.RemoveAll();
    const char* start = text ? text : "";
    while (*start) {
        const char* end = std::strchr(start, '\n');
        size_t length = end ? static_cast<size_t>(end - start) : std::strlen(start);
        std::string line(start, length);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        m_lines.Add(CCharString(line.c_str()));
        if (!end)
            break;
        start = end + 1;
    }
    m_scrollPos = 0;
    Layout();
    update();
}

void CTextCtrl::ClearButtons() {
    // Later, not now: a page may be replaced from inside one of its own buttons' handlers.
    for (BUTTON_INFO& info : m_buttons) {
        info.button->hide();
        info.button->deleteLater();
    }
    m_buttons.RemoveAll();
}

int CTextCtrl::GetPageWidth() const {
    int bar = m_scrollBar ? m_scrollBar->sizeHint().width() : 0;
    return std::max(0, width() - bar);
}

int CTextCtrl::GetScrollMax() const {
    int view = height();
    if (view <= 0 || m_totalHeight <= view)
        return 0;
    int step = GetScrollStep();
    return (m_totalHeight - view + step - 1) / step;
}

void CTextCtrl::SetScrollPos(int position) {
    m_scrollPos = std::max(0, position);
    Layout();
    update();
}

void CTextCtrl::OnScrolled(int position) {
    if (m_settingScroll)
        return;
    m_scrollPos = position;
    Layout();
    update();
}

void CTextCtrl::Layout() {
    // The page height does not depend on the scroll position: measure from the top.
    m_totalHeight = Walk(nullptr, true);
    int maximum = GetScrollMax();
    if (height() > 0)
        m_scrollPos = std::clamp(m_scrollPos, 0, maximum);
    if (m_scrollPos != 0)
        Walk(nullptr, true); // the buttons follow the scrolled offset
    m_settingScroll = true;
    m_scrollBar->setRange(0, std::max(maximum, m_scrollPos));
    m_scrollBar->setPageStep(std::max(1, height() / GetScrollStep()));
    m_scrollBar->setValue(m_scrollPos);
    m_settingScroll = false;
}

int CTextCtrl::Walk(QPainter* painter, bool placeButtons) {
    const int width = GetPageWidth();
    const int top = -m_scrollPos * GetScrollStep();
    int offset = top;
    size_t buttonIndex = 0;
    int drawn = 0;
    CCharString tag, content;
    for (const CCharString& line : m_lines) {
        SplitLine(line, tag, content);
        bool tagged = line.At(0) == '<';
        if (tagged && content.IsEmpty())
            break;
        char style = tag.At(0);
        if (tagged && style == 'b') {
            const char* tilde = std::strchr(content.GetText(), '~');
            if (!tilde || tilde[1] == 0)
                break;
            offset += m_lineSpacing / 2;
            if (placeButtons) {
                if (buttonIndex == m_buttons.GetCount()) {
                    BUTTON_INFO info;
                    CCharString label(content);
                    label.Cut(static_cast<size_t>(tilde - content.GetText()));
                    info.button = new QPushButton(QString::fromUtf8(label.GetText()), this);
                    info.button->setObjectName("pageButton");
                    info.button->setProperty("controlId", kButtonId);
                    info.button->setFont(m_fonts[kFontNormal]);
                    info.command.Set(tilde + 1);
                    connect(info.button, &QPushButton::clicked, this, &CTextCtrl::OnButtonClicked);
                    m_buttons.Add(info);
                    info.button->show();
                }
                m_buttons[buttonIndex].button->setGeometry(kTextIndent, offset, kButtonWidth,
                                                           kButtonHeight);
            }
            ++buttonIndex;
            offset += m_lineSpacing / 2 + kButtonHeight;
            ++drawn;
            continue;
        }
        if (!tagged && content.IsEmpty()) {
            offset += m_lineSpacing;
            ++drawn;
            continue;
        }
        FONT font;
        QColor colour = kHeadingColour;
        int indent = 0;
        int flags = 0;
        int right = width;
        switch (tagged ? style : 0) {
        case 0:
            font = kFontNormal;
            colour = kTextColour;
            indent = kTextIndent;
            right = width - kRightMargin;
            flags = Qt::AlignLeft | Qt::TextWordWrap;
            break;
        case '1':
            font = kFontHeading1;
            flags = Qt::AlignHCenter | Qt::TextWordWrap;
            break;
        case '2':
            font = kFontHeading2;
            indent = kHeading2Indent;
            flags = Qt::AlignLeft | Qt::TextSingleLine;
            break;
        case '3':
            font = kFontHeading3;
            flags = Qt::AlignLeft | Qt::TextSingleLine;
            break;
        default:
            ++drawn; // an unknown tag draws nothing
            continue;
        }
        QString text = QString::fromUtf8(content.GetText());
        QRect box(indent, offset, std::max(1, right - indent), 1 << 20);
        QFontMetrics metrics(m_fonts[font]);
        int lineHeight = (flags & Qt::TextSingleLine)
                             ? metrics.height()
                             : metrics.boundingRect(box, flags, text).height();
        if (painter && offset + lineHeight >= 0 && offset < height()) {
            painter->setFont(m_fonts[font]);
            painter->setPen(colour);
            painter->drawText(QRect(box.left(), offset, box.width(), lineHeight), flags, text);
        }
        offset += lineHeight;
        ++drawn;
    }
    m_linesDrawn = drawn;
    return offset - top;
}

const BUTTON_INFO* CTextCtrl::FindButton(const QWidget* window) const {
    for (const BUTTON_INFO& info : m_buttons)
        if (info.button == window)
            return &info;
    return nullptr;
}

void CTextCtrl::OnButtonClicked() {
    const BUTTON_INFO* info = FindButton(qobject_cast<QWidget*>(sender()));
    CBaseWindow* owner = OwnerWindow(this);
    if (!info || !owner)
        return;
    // A copy: the command may load another page, which deletes the button and its string.
    CCharString command(info->command);
    owner->SendUserMessage(kMsgTextCommand, 0, reinterpret_cast<intptr_t>(command.GetText()));
}

void CTextCtrl::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::white);
    painter.setClipRect(QRect(0, 0, GetPageWidth(), height()));
    Walk(&painter, false);
}

void CTextCtrl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    int bar = m_scrollBar->sizeHint().width();
    m_scrollBar->setGeometry(width() - bar, 0, bar, height());
    Layout();
}

void CTextCtrl::wheelEvent(QWheelEvent* event) {
    int notches = event->angleDelta().y() / 120;
    if (notches == 0) {
        event->ignore();
        return;
    }
    SetScrollPos(m_scrollPos - notches * kWheelSteps);
    event->accept();
}
