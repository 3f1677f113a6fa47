#pragma once

// Forms keep their widgets private; tests reach them by object name.

#include <QObject>
#include <QString>

#include <stdexcept>
#include <string>

// The child of 'form' named 'name'; a missing one fails the test.
template <class T>
T *Child(const QObject &form, const char *name)
{
    T *const found = form.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("no child named ") + name);
    return found;
}
