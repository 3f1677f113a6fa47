#include "ParkingSelectForm.h"

#include <dataset/widgets/DesignScale.h>
#include <framework/base/WheelArrowFilter.h>

#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QVBoxLayout>

namespace {

constexpr int kBottomPanelHeight = 29;
constexpr int kItemHeight = 11;

// The design's 8-point face, as much larger as the desktop's text is.
QFont DesignFont(const QString &family, const QFont &shown)
{
    QFont font(family);
    font.setPointSizeF(8 * dataset::DesignScale(shown));
    return font;
}

// The padded columns line up only in a fixed-pitch face.
QFont ListFont(const QFont &shown)
{
    QFont font = DesignFont(QStringLiteral("Lucida Console"), shown);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        const qreal size = font.pointSizeF();
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(size);
    }
    return font;
}

} // namespace

struct TParkingSelectForm::Ui {
    QLabel *HeadingLabel = nullptr;
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
    const QFont shown = font();
    setFont(DesignFont(QStringLiteral("Tahoma"), shown));
    dataset::ResizeScaled(*this, width, height);

    ui->HeadingLabel = new QLabel(this);
    ui->HeadingLabel->setObjectName(QStringLiteral("HeadingLabel"));
    ui->HeadingLabel->setFont(ListFont(shown));
    ui->HeadingLabel->setContentsMargins(4, 2, 4, 2);
    ui->HeadingLabel->hide();
    ui->ListBox = new QListWidget(this);
    ui->ListBox->setObjectName(QStringLiteral("ListBox"));
    ui->ListBox->setFont(ListFont(shown));
    ui->ListBox->setUniformItemSizes(true);
    ui->ListBox->setSelectionMode(QAbstractItemView::SingleSelection);
    ui->ListBox->installEventFilter(this);
    ui->ListBox->viewport()->installEventFilter(this);

    ui->BottomPanel = new QWidget(this);
    ui->BottomPanel->setObjectName(QStringLiteral("BottomPanel"));
    ui->BottomPanel->setFixedHeight(dataset::Scaled(*this, kBottomPanelHeight));
    ui->SearchNameEdit = new QLineEdit(ui->BottomPanel);
    ui->SearchNameEdit->setObjectName(QStringLiteral("SearchNameEdit"));
    ui->SearchNameEdit->setGeometry(dataset::Scaled(*this, 92), dataset::Scaled(*this, 4),
                                    dataset::Scaled(*this, searchWidth),
                                    qMax(dataset::Scaled(*this, 21), ui->SearchNameEdit->sizeHint().height()));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ui->HeadingLabel);
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

void TParkingSelectForm::SetHeading(const QString &heading)
{
    ui->HeadingLabel->setText(heading);
    ui->HeadingLabel->setVisible(!heading.isEmpty());
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
