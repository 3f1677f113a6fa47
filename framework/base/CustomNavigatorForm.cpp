#include <framework/base/CustomNavigatorForm.h>

#include <framework/base/ValueListEditor.h>

#include <dataset/widgets/DesignScale.h>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

TCustomNavigatorForm::TCustomNavigatorForm(QWidget *parent)
    : QWidget(parent),
      SearchVLE(new TValueListEditor(this)),
      FindButton(new QPushButton(QStringLiteral("Traži"), this))
{
    SearchVLE->setObjectName(QStringLiteral("SearchVLE"));
    FindButton->setObjectName(QStringLiteral("FindButton"));

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(FindButton);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(SearchVLE);
    layout->addLayout(buttons);

    connect(FindButton, &QPushButton::clicked, this, [this] { FindButtonClick(); });
    connect(SearchVLE, &TValueListEditor::editButtonClicked, this,
            [this] { SearchVLEEditButtonClick(); });
    SearchVLE->OnKeyDown = [this](int &key, Qt::KeyboardModifiers modifiers) { SearchVLEKeyDown(key, modifiers); };
    SearchVLE->OnKeyPress = [this](QString &text) { SearchVLEKeyPress(text); };
}

TCustomNavigatorForm::~TCustomNavigatorForm() = default;

QString TCustomNavigatorForm::SearchValue(const QString &key) const
{
    return SearchVLE->Value(key);
}

void TCustomNavigatorForm::SetSearchValue(const QString &key, const QString &value)
{
    SearchVLE->SetValue(key, value);
}

QString TCustomNavigatorForm::CurrentSearchKey() const
{
    return SearchVLE->CurrentKey();
}

void TCustomNavigatorForm::FindButtonClick()
{
}

QString TCustomNavigatorForm::ParseSQL()
{
    return {};
}

void TCustomNavigatorForm::SetSearchProps()
{
    SearchVLE->resizeColumnToContents(0);
    SearchVLE->horizontalHeader()->setStretchLastSection(true);
    // The captions whole and room to type a value beside them.
    const int frame = 2 * SearchVLE->frameWidth() + SearchVLE->verticalHeader()->width();
    SearchVLE->setMinimumWidth(SearchVLE->columnWidth(0) + dataset::Scaled(*this, 120) + frame);
}

void TCustomNavigatorForm::SearchVLEEditButtonClick()
{
}

void TCustomNavigatorForm::SearchVLEKeyDown(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        key = 0;
        FindButtonClick();
    }
}

void TCustomNavigatorForm::SearchVLEKeyPress(QString &)
{
}
