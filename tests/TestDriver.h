#pragma once

#include <QObject>

#include <functional>
#include <memory>

// One executable per kind of test (test_unit, test_gui, test_images, test_program) holds many
// test classes and runs the one named first on its command line:
//   test_gui CameraTest [QTest options]
// A test class registers itself with COCHLEX_TEST_CLASS (or COCHLEX_VIEWER_TEST_MAIN, which
// does so inside a driver). beforeApplication, when given, runs before the QApplication exists
// and returns an exit status to end the run with, or -1 to go on.
using TestClassFactory = std::function<std::unique_ptr<QObject>()>;

bool
registerTestClass(const char* name,
                  TestClassFactory factory,
                  std::function<int()> beforeApplication = {});

#define COCHLEX_TEST_CLASS_WITH_SETUP(TestClass, beforeApplication)                                \
  static const bool TestClass##Registered = registerTestClass(                                     \
    #TestClass,                                                                                    \
    [] { return std::unique_ptr<QObject>(std::make_unique<TestClass>()); },                        \
    beforeApplication);

#define COCHLEX_TEST_CLASS(TestClass) COCHLEX_TEST_CLASS_WITH_SETUP(TestClass, {})
