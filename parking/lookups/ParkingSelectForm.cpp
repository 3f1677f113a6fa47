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

struct TParkingSelectForm::Ui {
    QListWidget *ListBox = nullptr;
    QWidget *BottomPanel = nullptr;
    QLineEdit *SearchNameEdit = nullptr;
};

TParkingSelectForm::TParkingSelectForm(const QString &caption, int width, int height, int searchWidth)
    : QDialog(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowCloseButtonHint)
    , ui(std::make_unique<Ui>())
{
    setWindowTitle(caption);
    setWindowModality(Qt::ApplicationModal);
    setFont(QFont(QStringLiteral("Tahoma"), 8));
    resize(width, height);

    ui->ListBox = new QListWidget(this);
    ui->ListBox->setObjectName(QStringLiteral("ListBox"));
    ui->ListBox->setFont(ListFont());
    ui->ListBox->setUniformItemSizes(true);
    ui->ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->ListBox->installEventFilter(this);
    ui->ListBox->viewport()->installEventFilter(this);

    ui->BottomPanel = new QWidget(this);
    ui->BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    ui->BottomPanel->setFixedHeight(kBottomPanelHeight);
    ui->SearchNameEdit = new QLineEdit(ui->BottomPanel);
    ui->SearchNameEdit->setObjectName(QStringLiteral("SearchNameEdit"));
    ui->SearchNameEdit->setGeometry(92, 4, searchWidth, 21);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ui->ListBox, 1);
    layout->addWidget(ui->BottomPanel);

    ui->SearchNameEdit->setFocus();
    new WheelArrowFilter(this);
}

TParkingSelectForm::~TParkingSelectForm() = default;

QListWidget *TParkingSelectForm::ListBox() const
{
    return ui->ListBox;
}

QLineEdit *TParkingSelectForm::SearchNameEdit() const
{
    return ui->SearchNameEdit;
}

void TParkingSelectForm::SetSearchText(const QString &text)
{
    ui->SearchNameEdit->setText(text);
}

void TParkingSelectForm::SetLines(const QStringList &lines)
{
    ui->ListBox->clear();
    // Item height 11 as laid out, or what the face needs when it is taller.
    const int height = qMax(kItemHeight, QFontMetrics(ui->ListBox->font()).height());
    for (const QString &line : lines) {
        auto *item = new QListWidgetItem(line, ui->ListBox);
        item->setSizeHint(QSize(0, height));
    }
    if (!lines.isEmpty())
        ui->ListBox->setCurrentRow(0);
}

void TParkingSelectForm::HideSearchRow()
{
    ui->BottomPanel->hide();
    ui->ListBox->setFocus();
}

void TParkingSelectForm::ListBoxDblClick()
{
    const int index = ui->ListBox->currentRow();
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
    if (watched == ui->ListBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
            ListBoxKeyDown(key);
            return true;
        }
    } else if (watched == ui->ListBox->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        ListBoxDblClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
