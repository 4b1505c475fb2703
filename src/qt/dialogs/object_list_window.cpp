#include "qt/dialogs/object_list_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/config_dialogs.h"
#include "qt/dialogs/form_dialog.h"

namespace plikatra {

namespace {

constexpr const char* kObjectListTitle = "Object List";

}  // namespace

ObjectListWindow::ObjectListWindow(Document& doc, QWidget* parent)
    : QDialog(parent), doc_(doc) {
    setWindowTitle(QString::fromUtf8(kObjectListTitle));
    setModal(false);
    list_ = new QListWidget(this);
    list_->setObjectName("objects");
    list_->setSelectionMode(QAbstractItemView::MultiSelection);
    selectAll_ = new QPushButton(QString::fromUtf8("Select All"), this);
    selectAll_->setObjectName("selectAll");
    deselectAll_ = new QPushButton(QString::fromUtf8("Deselect All"), this);
    deselectAll_->setObjectName("deselectAll");
    for (QPushButton* b : {selectAll_, deselectAll_}) b->setAutoDefault(false);
    auto* note = new QLabel(QString::fromUtf8(kObjectListNote), this);
    note->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(selectAll_);
    buttons->addWidget(deselectAll_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(list_);
    layout->addLayout(buttons);

    connect(list_, &QListWidget::itemSelectionChanged, this, &ObjectListWindow::selectionChanged);
    connect(selectAll_, &QPushButton::clicked, this, [this] { selectAll(true); });
    connect(deselectAll_, &QPushButton::clicked, this, [this] { selectAll(false); });
    listener_ = doc_.addListener([this](DocumentEvent e) {
        if (e == DocumentEvent::FileOpened) {
            refill();
        } else {
            showState();
        }
    });
    refill();
}

ObjectListWindow::~ObjectListWindow() { doc_.removeListener(listener_); }

void ObjectListWindow::refill() {
    filling_ = true;
    list_->clear();
    for (const std::string& name : ObjectList::of(doc_.model()).names)
        list_->addItem(QString::fromStdString(name));
    filling_ = false;
    showState();
}

void ObjectListWindow::showState() {
    const ObjectList objects = ObjectList::of(doc_.model());
    if (objects.names.size() != size_t(list_->count())) return refill();
    filling_ = true;
    for (int i = 0; i < list_->count(); ++i) list_->item(i)->setSelected(objects.selected[size_t(i)]);
    filling_ = false;
    const bool editable = ObjectList::editable(doc_);
    list_->setEnabled(editable);
    selectAll_->setEnabled(editable);
    deselectAll_->setEnabled(editable);
}

void ObjectListWindow::selectionChanged() {
    if (filling_) return;
    std::vector<bool> selected(size_t(list_->count()));
    for (int i = 0; i < list_->count(); ++i) selected[size_t(i)] = list_->item(i)->isSelected();
    // Refused (a development exists): the list goes back to what the solids say.
    if (!ObjectList::applySelection(doc_, selected)) showState();
}

void ObjectListWindow::selectAll(bool select) {
    if (!ObjectList::selectAll(doc_, select)) showState();
}

QSize ObjectListWindow::sizeHint() const {
    return widenedForTitle(QDialog::sizeHint(), windowTitle());
}

}  // namespace plikatra
