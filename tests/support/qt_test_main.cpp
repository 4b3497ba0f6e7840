#include "app/guarded_application.h"

#include "ansi_code_page.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // CTest lists the tests without the test environment: listing needs no application object.
    if (::testing::GTEST_FLAG(list_tests)) {
        return RUN_ALL_TESTS();
    }
    plimo::test::ChooseAnsiCodePageFromEnvironment();
    // Connections to the local test servers must not go through a proxy the machine may have set.
    qputenv("no_proxy", "127.0.0.1,localhost");
    // Headless unless the caller chose a platform.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The program's own application object, with its last guard around every event.
    plimo::GuardedApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
