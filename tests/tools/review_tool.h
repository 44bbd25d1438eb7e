#pragma once

// What the reviewers' picture tools of the settings window and the tour
// share: one run offscreen in the light Fusion palette, with nothing of the
// user's read (configuration, data and home in folders of the run's own),
// writing PNGs into the folder its one argument names.

#include <QApplication>
#include <QDir>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "services/app_catalog.h"

namespace pimble::review {

class ReviewTool {
 public:
  ReviewTool(int& argc, char** argv, const char* usage) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_CONFIG_HOME", config_.path().toUtf8().constData(), 1);
    setenv("XDG_DATA_HOME", data_.path().toUtf8().constData(), 1);
    setenv("XDG_DATA_DIRS", data_.filePath(QStringLiteral("none")).toUtf8().constData(), 1);
    setenv("HOME", data_.path().toUtf8().constData(), 1);
    app_ = std::make_unique<QApplication>(argc, argv);
    if (argc < 2) {
      std::fprintf(stderr, "usage: %s OUT_DIR\n", usage);
      failure_ = 2;
      return;
    }
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(QApplication::style()->standardPalette());
    out_ = QDir(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(out_.path())) {
      std::fprintf(stderr, "could not make the folder %s\n", qPrintable(out_.path()));
      failure_ = 1;
    }
  }
  ~ReviewTool() { AppCatalog::install({}); }

  // The exit code when the tool cannot run, or nothing.
  std::optional<int> failure() const { return failure_; }
  // The run's own configuration and data folders.
  QString configFolder() const { return config_.path(); }
  QDir dataFolder() const { return QDir(data_.path()); }

  // The applications the workspace reports running, in this order.
  static void running(std::vector<ReturnTarget> apps) {
    AppCatalog::Platform platform;
    platform.runningApps = [apps = std::move(apps)] { return apps; };
    AppCatalog::install(platform);
  }

  // Writes the widget as it shows now to OUT_DIR/name and prints the path.
  bool save(QWidget* widget, const QString& name) const {
    const QString path = out_.filePath(name);
    if (!widget->grab().save(path, "PNG")) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
  }

 private:
  QTemporaryDir config_;
  QTemporaryDir data_;
  std::unique_ptr<QApplication> app_;
  QDir out_;
  std::optional<int> failure_;
};

}  // namespace pimble::review
