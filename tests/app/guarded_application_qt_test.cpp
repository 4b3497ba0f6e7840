#include "app/guarded_application.h"
#include "ui/dialogs.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace plimo {
namespace {

class Throwing : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw std::runtime_error("Something went wrong");
        }
        return QObject::event(e);
    }
};

// An exception that a handler lets through reaches no further than the application's dispatch: the standard error
// box says what it was, and the next event is handled as usual.
TEST(GuardedApplication, AnExceptionInAnyHandlerShowsTheErrorBoxAndTheProgramGoesOn) {
    ASSERT_NE(dynamic_cast<GuardedApplication*>(QCoreApplication::instance()), nullptr);
    std::vector<DialogRequest> boxes;
    SetDialogAnswererForTests([&boxes](const DialogRequest& request) {
        boxes.push_back(request);
        return QMessageBox::Ok;
    });
    Throwing object;
    QEvent user(QEvent::User);
    EXPECT_FALSE(QCoreApplication::sendEvent(&object, &user));
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::sendPostedEvents(&object);
    SetDialogAnswererForTests({});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Something went wrong."));
    EXPECT_EQ(boxes[0].icon, QMessageBox::Critical);
}

}  // namespace
}  // namespace plimo
