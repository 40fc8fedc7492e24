#include "tools/PlaceholderWnd.h"

#include <QComboBox>
#include <QPainter>
#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>

CPlaceholderWnd::CPlaceholderWnd(int kind, WND_SETTINGS* placement) : CBaseWindow(kind) {
    SetPlacement(placement);
}

bool CPlaceholderWnd::OnPaint(QPainter& painter) {
    painter.fillRect(rect(), QColor(0xF4, 0xF4, 0xF0));
    painter.setPen(QColor(0x40, 0x40, 0x60));
    QFont font = painter.font();
    font.setPointSize(14);
    painter.setFont(font);
    painter.drawText(rect(), Qt::AlignCenter,
                     QString("%1\n(window kind %2)").arg(windowTitle()).arg(GetKind()));
    return true;
}

bool CPlaceholderWnd::OnTimer(int id) {
    if (id >= 1 && id <= 3)
        ++m_ticks[id - 1];
    return false;
}

CTextPlaceholderWnd::CTextPlaceholderWnd(TEXT_SETTINGS* record)
    : CBaseWindow(kKindText), m_record(record) {
    SetPlacement(record ? &record->wnd : nullptr);
}

bool CTextPlaceholderWnd::OnInitDialog() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 7);
    m_selector = new QComboBox(this);
    m_selector->setObjectName("lessonSelector");
    m_page = new QTextBrowser(this);
    m_page->setObjectName("lessonPage");
    layout->addWidget(m_selector);
    layout->addWidget(m_page, 1);
    connect(m_selector, &QComboBox::currentIndexChanged, this,
            [this](int index) { ShowLesson(index); });
    return true;
}

bool CTextPlaceholderWnd::LoadIndex(const char* path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        m_error.Format("Can't read content file '%s': %s", path, std::strerror(errno));
        return false;
    }
    std::string folder(path);
    size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : folder.substr(0, slash);

    m_selector->blockSignals(true);
    m_selector->clear();
    std::string line;
    int number = 0;
    bool ok = true;
    while (std::getline(file, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        size_t tilde = line.find('~');
        if (tilde == std::string::npos || tilde + 1 >= line.size()) {
            m_error.Format("Can't read content file '%s': line %d has no \"~\" and file name", path,
                           number);
            ok = false;
            break;
        }
        std::string page =
            folder.empty() ? line.substr(tilde + 1) : folder + "/" + line.substr(tilde + 1);
        m_selector->addItem(QString::fromUtf8(line.substr(0, tilde)), QString::fromUtf8(page));
    }
    m_selector->blockSignals(false);
    if (!ok)
        return false;
    int index = m_record ? m_record->contentIndex : 0;
    if (index < 0 || index >= m_selector->count())
        index = 0;
    m_selector->setCurrentIndex(index);
    ShowLesson(index);
    if (m_record)
        m_page->verticalScrollBar()->setValue(m_record->scrollPos);
    return true;
}

void CTextPlaceholderWnd::ShowLesson(int index) {
    if (index < 0 || index >= m_selector->count())
        return;
    std::string path = m_selector->itemData(index).toString().toStdString();
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        m_error.Format("Can't read file '%s': %s", path.c_str(), std::strerror(errno));
        return;
    }
    // Plain text of the page: tags become simple headings; buttons are left out.
    QString html;
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        QString content = QString::fromUtf8(line).toHtmlEscaped();
        if (line.rfind("<1>", 0) == 0)
            html += "<h1 style='color:#0000c0' align='center'>" + content.mid(9) + "</h1>";
        else if (line.rfind("<2>", 0) == 0 || line.rfind("<3>", 0) == 0)
            html += "<h3 style='color:#0000c0'>" + content.mid(9) + "</h3>";
        else if (!line.empty() && line[0] == '<')
            continue;
        else
            html += "<p>" + content + "</p>";
    }
    m_page->setHtml(html);
}

bool CTextPlaceholderWnd::OnDestroyed() {
    if (m_record) {
        m_record->contentIndex = m_selector ? m_selector->currentIndex() : 0;
        m_record->scrollPos = m_page ? m_page->verticalScrollBar()->value() : 0;
    }
    return false;
}
