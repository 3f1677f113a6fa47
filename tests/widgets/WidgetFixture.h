#pragma once

#include <dataset/DataSource.h>
#include <dataset/Error.h>
#include <dataset/Field.h>
#include <dataset/Query.h>
#include <tests/support/TestDatabase.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

// A small table of four rows in a database of its own, a live query over it and a data
// source: what every widget test binds to.
struct WidgetFixture {
    TestDatabase db;
    dataset::Query query;
    dataset::DataSource source;

    explicit WidgetFixture(bool live = true)
    {
        db.connection().Execute(QStringLiteral(
            "CREATE TABLE widgetrow (widgetrowid BIGINT AUTO_INCREMENT PRIMARY KEY, "
            "name VARCHAR(20) NULL, price DOUBLE NULL, issued DATETIME NULL, day DATE NULL, secret INT NULL)"));
        db.connection().Execute(QStringLiteral(
            "INSERT INTO widgetrow (name, price, issued, day, secret) VALUES "
            "('Alfa', 1.5, '2026-01-05 08:30:00', '2026-01-05', 1), ('Beta', 2, NULL, NULL, 2), "
            "('Gama', 1234.567, '2026-12-31 23:59:00', '2026-12-31', 3), ('Delta', NULL, NULL, NULL, 4)"));
        query.SetConnection(&db.connection());
        query.SetSQL({QStringLiteral("SELECT * FROM widgetrow ORDER BY widgetrowid")});
        using dataset::FieldType;
        auto def = [](const char *name, FieldType type, const char *label = "", int size = 0) {
            dataset::FieldDef field;
            field.name = QString::fromLatin1(name);
            field.type = type;
            field.size = size;
            field.displayLabel = QString::fromLatin1(label);
            return field;
        };
        auto price = def("price", FieldType::Real, "Cena");
        price.displayFormat = QStringLiteral("0.00");
        auto secret = def("secret", FieldType::Integer);
        secret.visible = false;
        query.SetFieldDefs({def("widgetrowid", FieldType::Key, "Id"), def("name", FieldType::String, "Naziv", 20),
                           price, def("issued", FieldType::DateTime), def("day", FieldType::Date), secret});
        query.SetRequestLive(live);
        query.Open();
        source.SetDataSet(&query);
    }

    // One value read back from the database with a query of its own.
    QVariant Stored(const QString &sql)
    {
        dataset::Query check;
        check.SetConnection(&db.connection());
        check.SetSQL({sql});
        check.Open();
        return check.IsEmpty() ? QVariant() : check.Fields(0).Value();
    }
};

// Records the messages of the errors the widgets report while it lives.
class ScopedErrorReporter {
public:
    explicit ScopedErrorReporter(std::function<void(const QString &)> record)
        : m_previous(dataset::SetErrorReporter([record = std::move(record)](std::exception_ptr error) {
              try {
                  std::rethrow_exception(error);
              } catch (const dataset::Error &e) {
                  record(e.message());
              }
          }))
    {
    }
    ~ScopedErrorReporter() { dataset::SetErrorReporter(std::move(m_previous)); }
    ScopedErrorReporter(const ScopedErrorReporter &) = delete;
    ScopedErrorReporter &operator=(const ScopedErrorReporter &) = delete;

private:
    dataset::ErrorReporter m_previous;
};

// Types into whatever has the focus, one key at a time, as a user does (the first key
// typed into a grid opens its cell editor, which takes the rest).
inline void Type(const QString &text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// A window with the widget under test and a plain line edit to move the focus to.
struct FocusWindow {
    QWidget window;
    QLineEdit *other;

    explicit FocusWindow(QWidget *subject)
    {
        auto *layout = new QVBoxLayout(&window);
        layout->addWidget(subject);
        other = new QLineEdit(&window);
        layout->addWidget(other);
        window.resize(500, 300);
        window.show();
        window.activateWindow();
    }
    bool Active() { return QTest::qWaitForWindowActive(&window); }
};
