#include "ParkingSelectForm.h"

#include <framework/base/WheelArrowFilter.h>

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr int kBottomPanelHeight = 29;
constexpr int kItemHeight = 11;

// The padded columns line up only in a fixed-pitch face.
QFont ListFont()
{
    QFont font(QStringLiteral("Lucida Console"), 8);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        const int size = font.pointSize();
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSize(size);
    }
    return font;
}

} // namespace

TParkingSelectForm::TParkingSelectForm(const QString &caption, int width, int height, int searchWidth)
    : QDialog(nullptr, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(width, height);

    ListBox = new QListWidget(this);
    ListBox->setObjectName(QStringLiteral("ListBox"));
    ListBox->setFont(ListFont());
    ListBox->setUniformItemSizes(true);
    ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox->installEventFilter(this);
    ListBox->viewport()->installEventFilter(this);

    BottomPanel = new QWidget(this);
    BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    BottomPanel->setFixedHeight(kBottomPanelHeight);
    SearchNameEdit = new QLineEdit(BottomPanel);
    SearchNameEdit->setObjectName(QStringLiteral("SearchNameEdit"));
    SearchNameEdit->setGeometry(92, 4, searchWidth, 21);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ListBox, 1);
    layout->addWidget(BottomPanel);

    SearchNameEdit->setFocus();
    new WheelArrowFilter(this);
}

void TParkingSelectForm::SetLines(const QStringList &lines)
{
    ListBox->clear();
    // Item height 11 as laid out, or what the face needs when it is taller.
    const int height = qMax(kItemHeight, QFontMetrics(ListBox->font()).height());
    for (const QString &line : lines) {
        auto *item = new QListWidgetItem(line, ListBox);
        item->setSizeHint(QSize(0, height));
    }
    if (!lines.isEmpty())
        ListBox->setCurrentRow(0);
}

void TParkingSelectForm::HideSearchRow()
{
    BottomPanel->hide();
    ListBox->setFocus();
}

void TParkingSelectForm::ListBoxDblClick()
{
    const int index = ListBox->currentRow();
    if (index < 0)
        return;
    Selected = true;
    SelectedIndex = index;
    accept();
}

void TParkingSelectForm::ListBoxKeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        ListBoxDblClick();
    else if (key == Qt::Key_Escape)
        reject();
}

bool TParkingSelectForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            ListBoxKeyDown(key);
            return true;
        }
    } else if (watched == ListBox->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ListBoxDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
