// The modeless "Object List" window: the model's solids, selected while visible. Only the
// selected solids are unfolded, so the list can be changed only while a model has no
// development; it is refilled whenever a file is opened.
#pragma once

#include <QDialog>

#include "app/document.h"

class QListWidget;
class QPushButton;

namespace plikatra {

class ObjectListWindow : public QDialog {
    Q_OBJECT
public:
    // `doc` must outlive the window.
    ObjectListWindow(Document& doc, QWidget* parent = nullptr);
    ~ObjectListWindow() override;
    // Wide enough for the window manager to show the whole title.
    QSize sizeHint() const override;

    // Fills the list from the document's model.
    void refill();

private:
    void selectionChanged();
    void selectAll(bool select);
    // Shows the solids' visible flags and whether they can be changed now.
    void showState();

    Document& doc_;
    int listener_ = 0;
    bool filling_ = false;
    QListWidget* list_;
    QPushButton* selectAll_;
    QPushButton* deselectAll_;
};

}  // namespace plikatra
