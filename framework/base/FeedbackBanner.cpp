#include "FeedbackBanner.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QUrl>

FeedbackBanner::FeedbackBanner(QWidget *anchor)
    : FeedbackBanner(anchor->parentWidget(), anchor)
{
}

FeedbackBanner *FeedbackBanner::InLayout(QWidget *parent)
{
    return new FeedbackBanner(parent, nullptr);
}

FeedbackBanner::FeedbackBanner(QWidget *parent, QWidget *anchor)
    : QFrame(parent)
    , m_anchor(anchor)
    , m_text(new QLabel(this))
    , m_open(new QPushButton(QStringLiteral("Otvori"), this))
{
    setObjectName(QStringLiteral("FeedbackBanner"));
    setFrameStyle(QFrame::StyledPanel | QFrame::Plain);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(255, 248, 196));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    m_text->setObjectName(QStringLiteral("FeedbackText"));
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_open->setObjectName(QStringLiteral("FeedbackOpen"));
    m_open->setFocusPolicy(Qt::NoFocus);
    m_open->setAutoDefault(false);   // Enter in the window never opens the file
    auto *close = new QToolButton(this);
    close->setObjectName(QStringLiteral("FeedbackClose"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setFocusPolicy(Qt::NoFocus);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(6, 2, 2, 2);
    row->addWidget(m_text, 1);
    row->addWidget(m_open);
    row->addWidget(close);
    connect(m_open, &QPushButton::clicked, this, &FeedbackBanner::OpenFile);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    if (anchor)
        anchor->installEventFilter(this);
    hide();
}

void FeedbackBanner::Show(const QString &text)
{
    ShowFile(text, QString());
}

void FeedbackBanner::ShowFile(const QString &text, const QString &fileName)
{
    m_fileName = fileName;
    m_text->setText(text);
    m_text->setToolTip(text);
    m_open->setVisible(!fileName.isEmpty());
    Place();
    show();
    raise();
}

QString FeedbackBanner::Text() const
{
    return m_text->text();
}

bool FeedbackBanner::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_anchor && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        Place();
    return QFrame::eventFilter(watched, event);
}

void FeedbackBanner::Place()
{
    if (!m_anchor)
        return;
    const QRect area = m_anchor->geometry();
    const int height = sizeHint().height();
    setGeometry(area.left() + 2, area.bottom() - height - 1, qMax(area.width() - 4, 0), height);
}

// Without a program for the file the desktop opens nothing: the banner then says so and
// where the file lies, so it can be opened by hand.
void FeedbackBanner::OpenFile()
{
    if (m_fileName.isEmpty() || QDesktopServices::openUrl(QUrl::fromLocalFile(m_fileName)))
        return;
    const QFileInfo file(m_fileName);
    ShowFile(QStringLiteral("Nijedan program nije otvorio datoteku %1. Nalazi se u folderu %2.")
                 .arg(file.fileName(), QDir::toNativeSeparators(file.absolutePath())),
             QString());
}
