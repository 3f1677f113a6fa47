#include <framework/base/ValueListEditor.h>

#include <dataset/Error.h>

#include <QAction>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>

namespace {

const char *const kKeyProperty = "vleKey";
const char *const kEllipsisName = "ellipsis";

} // namespace

TValueListEditor::TValueListEditor(QWidget *parent) : QTableWidget(0, 2, parent)
{
    setHorizontalHeaderLabels({QStringLiteral("Naziv"), QStringLiteral("Vrednost")});
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
}

void TValueListEditor::AddRow(const QString &key, const QString &value)
{
    if (key.isEmpty())
        throw dataset::Error(QStringLiteral("Red liste mora imati ključ."));
    if (RowOfKey(key) >= 0)
        throw dataset::Error(QStringLiteral("Ključ '%1' već postoji u listi.").arg(key));
    const int row = rowCount();
    insertRow(row);
    auto *caption = new QTableWidgetItem(key);
    caption->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    caption->setData(Qt::UserRole, key);
    setItem(row, 0, caption);

    auto *editor = new QLineEdit(value);
    editor->setFrame(false);
    editor->setProperty(kKeyProperty, key);
    editor->installEventFilter(this);
    connect(editor, &QLineEdit::textChanged, this,
            [this, key](const QString &text) { Q_EMIT valueChanged(key, text); });
    setCellWidget(row, 1, editor);
}

QStringList TValueListEditor::Keys() const
{
    QStringList keys;
    for (int row = 0; row < rowCount(); ++row)
        keys << KeyOfRow(row);
    return keys;
}

int TValueListEditor::RowOfKey(const QString &key) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (KeyOfRow(row) == key)
            return row;
    }
    return -1;
}

QString TValueListEditor::KeyOfRow(int row) const
{
    const QTableWidgetItem *caption = item(row, 0);
    return caption ? caption->data(Qt::UserRole).toString() : QString();
}

int TValueListEditor::CheckedRow(const QString &key) const
{
    const int row = RowOfKey(key);
    if (row < 0)
        throw dataset::Error(QStringLiteral("Ključ '%1' ne postoji u listi.").arg(key));
    return row;
}

QLineEdit *TValueListEditor::ValueEditor(const QString &key) const
{
    return qobject_cast<QLineEdit *>(cellWidget(CheckedRow(key), 1));
}

QString TValueListEditor::Value(const QString &key) const
{
    return ValueEditor(key)->text();
}

void TValueListEditor::SetValue(const QString &key, const QString &value)
{
    ValueEditor(key)->setText(value);
}

QString TValueListEditor::Caption(const QString &key) const
{
    return item(CheckedRow(key), 0)->text();
}

void TValueListEditor::SetCaption(const QString &key, const QString &caption)
{
    item(CheckedRow(key), 0)->setText(caption.isEmpty() ? key : caption);
}

void TValueListEditor::SetEllipsis(const QString &key, bool ellipsis)
{
    QLineEdit *editor = ValueEditor(key);
    QAction *button = editor->findChild<QAction *>(QLatin1String(kEllipsisName));
    if (ellipsis && !button) {
        button = new QAction(QStringLiteral("..."), editor);
        button->setObjectName(QLatin1String(kEllipsisName));
        button->setToolTip(QStringLiteral("Izaberi"));
        // An icon-less action still gets a clickable button; draw the dots as its icon.
        QPixmap dots(16, 16);
        dots.fill(Qt::transparent);
        {
            QPainter painter(&dots);
            painter.setBrush(palette().color(QPalette::WindowText));
            painter.setPen(Qt::NoPen);
            for (int x : {3, 7, 11})
                painter.drawEllipse(QRectF(x, 11, 2.5, 2.5));
        }
        button->setIcon(QIcon(dots));
        editor->addAction(button, QLineEdit::TrailingPosition);
        connect(button, &QAction::triggered, this, [this, key] {
            SetCurrentKey(key);
            Q_EMIT editButtonClicked();
        });
    } else if (!ellipsis && button) {
        delete button;
    }
}

bool TValueListEditor::Ellipsis(const QString &key) const
{
    return ValueEditor(key)->findChild<QAction *>(QLatin1String(kEllipsisName)) != nullptr;
}

QString TValueListEditor::CurrentKey() const
{
    return currentRow() >= 0 ? KeyOfRow(currentRow()) : QString();
}

void TValueListEditor::SetCurrentKey(const QString &key)
{
    setCurrentCell(CheckedRow(key), 1);
}

bool TValueListEditor::eventFilter(QObject *watched, QEvent *event)
{
    auto *editor = qobject_cast<QLineEdit *>(watched);
    if (!editor || editor->property(kKeyProperty).isNull())
        return QTableWidget::eventFilter(watched, event);

    const QString key = editor->property(kKeyProperty).toString();
    if (event->type() == QEvent::FocusIn) {
        SetCurrentKey(key);
    } else if (event->type() == QEvent::KeyPress) {
        SetCurrentKey(key);
        auto *keyEvent = static_cast<QKeyEvent *>(event);
        int code = keyEvent->key();
        if (OnKeyDown) {
            OnKeyDown(code, keyEvent->modifiers());
            if (code == 0)
                return true;
        }
        // Up and Down move between the rows, as in a grid.
        if (code == Qt::Key_Up || code == Qt::Key_Down) {
            const int row = RowOfKey(key) + (code == Qt::Key_Up ? -1 : 1);
            if (row >= 0 && row < rowCount()) {
                setCurrentCell(row, 1);
                cellWidget(row, 1)->setFocus(Qt::OtherFocusReason);
            }
            return true;
        }
        if (OnKeyPress && !keyEvent->text().isEmpty() && keyEvent->text().at(0).isPrint()) {
            QString text = keyEvent->text();
            OnKeyPress(text);
            if (text.isEmpty())
                return true;
            if (text != keyEvent->text()) {
                editor->insert(text);
                return true;
            }
        }
    }
    return QTableWidget::eventFilter(watched, event);
}
