#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace plimo::test {

// Sets an environment variable for the life of the object, then puts back what was there (or nothing).
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value) : m_name(name), m_previous(qgetenv(name)) {
        qputenv(name, value);
    }
    ~ScopedEnv() {
        if (m_previous.isNull()) {
            qunsetenv(m_name);
        } else {
            qputenv(m_name, m_previous);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    QByteArray m_previous;
};

}  // namespace plimo::test
