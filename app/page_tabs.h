#pragma once
// TPageTabs: the row of page names at the top of a dialog with pages, in the look of the device
// list's header bar: names in 180 grey on the window's 32 grey in the window's font; the current
// page's name in 220 on the even rows' 50 grey, underlined by a 2 pixel line in the selection's
// orange. A press on a name selects its page; the owner shows the page (OnChange).
//
//   auto* tabs = new TPageTabs(dialog, {"General", "Subnets"});
//   tabs->setGeometry(0, 0, 464, TPageTabs::kHeight);
//   tabs->SetOnChange([this](int page) { ShowPage(page); });
//   tabs->SetCurrent(1);                  // also runs OnChange
//
// Drawing goes through one ZCanvas per paint. Ownership: a QWidget child of its parent; the
// handler is copied and called on the UI thread.

#include <QStringList>
#include <QWidget>

#include <functional>

class TPageTabs : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHeight = 22;

    TPageTabs(QWidget* parent, QStringList names);

    int GetCount() const { return static_cast<int>(names_.size()); }
    int GetCurrent() const { return current_; }
    // Selects a page (out of range: nothing) and tells the owner when it changed.
    void SetCurrent(int page);
    void SetOnChange(std::function<void(int page)> handler) { onChange_ = std::move(handler); }
    // The area of a page's name.
    QRect TabRect(int page) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QStringList names_;
    int current_ = 0;
    std::function<void(int)> onChange_;
};
