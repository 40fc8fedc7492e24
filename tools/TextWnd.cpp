#include "tools/TextWnd.h"

#include <QComboBox>
#include <cstring>
#include <string>

#include "tools/TextCtrl.h"

CTextWnd::CTextWnd(std::unique_ptr<CTutorialHost> host, TEXT_SETTINGS* record, QWidget* parent)
    : CBaseWindow(kKindText, parent), m_host(std::move(host)), m_record(record) {
    SetPlacement(record ? &record->wnd : nullptr);
}

CTextWnd::~CTextWnd() = default;

WND_RECT CTextWnd::DefaultRect() {
    WND_RECT rect;
    rect.Set(0, 0, 400, 500);
    return rect;
}

bool CTextWnd::OnInitDialog() {
    m_selector = new QComboBox(this);
    m_selector->setObjectName("lessonSelector");
    m_selector->setProperty("controlId", kIdSelector);
    m_page = new CTextCtrl(this);
    m_page->setObjectName("lessonPage");
    m_page->setProperty("controlId", kIdPage);
    connect(m_selector, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_loading)
            ShowLesson(index);
    });
    PlaceControls();
    return true;
}

void CTextWnd::PlaceControls() {
    if (!m_selector || !m_page)
        return;
    int selectorHeight = m_selector->sizeHint().height();
    m_selector->setGeometry(kMargin, kMargin, std::max(1, width() - 2 * kMargin), selectorHeight);
    int top = kMargin + selectorHeight + kMargin;
    m_page->setGeometry(kMargin, top, std::max(1, width() - 2 * kMargin),
                        std::max(1, height() - top - kMargin));
}

bool CTextWnd::OnSizeChanged(int width, int height) {
    PlaceControls();
    return CBaseWindow::OnSizeChanged(width, height);
}

bool CTextWnd::LoadIndex(const char* path) {
    if (!m_selector) {
        m_error.Set("The lesson window has not been created");
        return false;
    }
    std::string text;
    CCharString reason;
    if (!CTextCtrl::ReadTextFile(path, text, reason)) {
        m_error.Format("Can't read content file '%s': %s", path ? path : "", reason.GetText());
        return false;
    }
    std::string folder(path);
    size_t slash = folder.find_last_of('/');
    folder = slash == std::string::npos ? std::string(".") : folder.substr(0, slash);

    m_loading = true;
    m_selector->clear();
    bool ok = true;
    int number = 0;
    const char* start = text.data();
    const char* finish = text.data() + text.size();
    while (start < finish) {
        const char* end = static_cast<const char*>(std::memchr(start, '\n', finish - start));
        std::string line(start, end ? static_cast<size_t>(end - start) : finish - start);
        start = end ? end + 1 : finish;
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
        std::string page = folder + "/" + line.substr(tilde + 1);
        m_selector->addItem(QString::fromUtf8(line.substr(0, tilde).c_str()),
                            QString::fromUtf8(page.c_str()));
    }
    m_loading = false;

    // The lessons read before a bad line are still worth showing.
    int index = m_record ? m_record->contentIndex : 0;
    if (index < 0 || index >= m_selector->count())
        index = 0;
    if (m_selector->count() > 0) {
        m_loading = true;
        m_selector->setCurrentIndex(index);
        m_loading = false;
        CCharString error(m_error);
        ShowLesson(index);
        if (!ok)
            m_error = error; // the index's failure is the one to report
        if (m_record)
            m_page->SetScrollPos(m_record->scrollPos);
    }
    return ok;
}

bool CTextWnd::ShowLesson(int index) {
    if (!m_page || index < 0 || index >= m_selector->count())
        return false;
    CCharString path = GetLessonPath(index);
    if (!m_page->LoadFile(path)) {
        m_error = m_page->GetError();
        return false;
    }
    return true;
}

int CTextWnd::GetLessonCount() const {
    return m_selector ? m_selector->count() : 0;
}

int CTextWnd::GetSelectedLesson() const {
    return m_selector ? m_selector->currentIndex() : -1;
}

CCharString CTextWnd::GetLessonTitle(int index) const {
    if (!m_selector || index < 0 || index >= m_selector->count())
        return CCharString();
    return CCharString(m_selector->itemText(index).toUtf8().constData());
}

CCharString CTextWnd::GetLessonPath(int index) const {
    if (!m_selector || index < 0 || index >= m_selector->count())
        return CCharString();
    return CCharString(m_selector->itemData(index).toString().toUtf8().constData());
}

bool CTextWnd::RunCommand(const char* command) {
    CTutorialCommand parsed;
    bool done = parsed.Execute(command, *m_host);
    m_commandError = parsed.GetError();
    return done;
}

bool CTextWnd::OnUserMessage(int message, intptr_t wParam, intptr_t lParam) {
    if (message != kMsgTextCommand)
        return CBaseWindow::OnUserMessage(message, wParam, lParam);
    RunCommand(reinterpret_cast<const char*>(lParam));
    return true;
}

bool CTextWnd::OnDestroyed() {
    if (m_record) {
        m_record->contentIndex = GetSelectedLesson();
        m_record->scrollPos = m_page ? m_page->GetScrollPos() : 0;
    }
    if (m_selector)
        m_selector->clear();
    delete m_page;
    m_page = nullptr;
    return false;
}
