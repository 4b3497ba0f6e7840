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

// Whether the system's proxy comes from http_proxy, which the proxy tests set. Windows takes it from the user's
// Internet settings instead; the whole-program test under Wine sets those.
#ifdef _WIN32
inline constexpr bool kProxyFromEnvironment = false;
#else
inline constexpr bool kProxyFromEnvironment = true;
#endif
inline constexpr const char* kNoProxyFromEnvironment =
    "Windows takes the system proxy from the user's Internet settings, not from http_proxy (the whole-program test "
    "under Wine sets those)";

}  // namespace plimo::test
