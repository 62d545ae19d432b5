#include "TestDriver.h"

#include "app/Startup.h"

#include <QApplication>
#include <QTest>

#include <cstdio>
#include <map>
#include <string>

namespace {

struct TestClassEntry
{
  TestClassFactory factory;
  std::function<int()> beforeApplication;
};

std::map<std::string, TestClassEntry>&
registry()
{
  static std::map<std::string, TestClassEntry> classes;
  return classes;
}

} // namespace

bool
registerTestClass(const char* name,
                  TestClassFactory factory,
                  std::function<int()> beforeApplication)
{
  registry()[name] = { std::move(factory), std::move(beforeApplication) };
  return true;
}

int
main(int argc, char** argv)
{
  const auto found = argc > 1 ? registry().find(argv[1]) : registry().end();
  if (found == registry().end()) {
    std::fprintf(stderr, "usage: %s TEST_CLASS [QTest options]; test classes:", argv[0]);
    for (const auto& entry : registry()) {
      std::fprintf(stderr, " %s", entry.first.c_str());
    }
    std::fprintf(stderr, "\n");
    return 2;
  }
  if (found->second.beforeApplication) {
    const int status = found->second.beforeApplication();
    if (status >= 0) {
      return status;
    }
  }
  // The class name takes the place of the program name, so QTest sees only its own options.
  argv[1] = argv[0];
  --argc;
  ++argv;
  // The VTK views need their OpenGL format before the QApplication exists.
  prepareApplication();
  QApplication application(argc, argv);
  const std::unique_ptr<QObject> test = found->second.factory();
  return QTest::qExec(test.get(), argc, argv);
}
