// The one-copy lock and its names, in process; the copies themselves are
// tested as real processes in process_test.cpp.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>

#include "app/single_instance.h"

namespace pimble {
namespace {

namespace fs = std::filesystem;

TEST(SingleInstance, TheKeyIsTheResolvedDataDirectory) {
  QTemporaryDir dir;
  const fs::path base = dir.path().toStdString();
  fs::create_directories(base / "data");
  fs::create_symlink(base / "data", base / "link");
  const QString key = SingleInstance::key(base / "data");
  EXPECT_TRUE(key.startsWith(QStringLiteral("pimble-glimmet-")));
  EXPECT_EQ(SingleInstance::key(base / "data/"), key);
  EXPECT_EQ(SingleInstance::key(base / "other/../data"), key);
  EXPECT_EQ(SingleInstance::key(base / "link"), key);
  EXPECT_NE(SingleInstance::key(base / "other"), key);
  // A directory that does not exist yet keys the same once it does.
  const QString before = SingleInstance::key(base / "later");
  fs::create_directories(base / "later");
  EXPECT_EQ(SingleInstance::key(base / "later"), before);
}

TEST(SingleInstance, OneHolderPerDirectoryUntilItLetsGo) {
  QTemporaryDir dir;
  const fs::path a = fs::path(dir.path().toStdString()) / "a";
  const fs::path b = fs::path(dir.path().toStdString()) / "b";
  auto first = std::make_unique<SingleInstance>(a);
  ASSERT_EQ(first->claim(), SingleInstance::Claim::first);
  EXPECT_EQ(first->claim(), SingleInstance::Claim::first);  // asking again keeps it
  EXPECT_EQ(SingleInstance(a).claim(), SingleInstance::Claim::running);
  EXPECT_EQ(SingleInstance(b).claim(), SingleInstance::Claim::first);
  // Held but not listening: a later copy gets no answer, and says so.
  EXPECT_EQ(SingleInstance(a).askToReopen(200), SingleInstance::Reopen::noAnswer);
  first.reset();
  EXPECT_EQ(SingleInstance(a).claim(), SingleInstance::Claim::first);
}

}  // namespace
}  // namespace pimble
