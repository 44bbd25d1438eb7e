#pragma once

// One application's desktop entry (a ".desktop" file): the identity, name,
// icon and command line our workspace layer needs.

#include <sys/types.h>
#include <QIcon>
#include <QString>
#include <QStringList>
#include <optional>

namespace pimble {

class DesktopEntry {
 public:
  // The desktop-file id: the path below an "applications" folder with '/'
  // turned into '-' and without ".desktop".
  QString id;
  QString path;
  QString name;  // Name, localized for the user's language when the file has it
  QString icon;
  QString exec;
  QString tryExec;
  QString workingDirectory;  // Path
  QString startupWMClass;
  QStringList categories;
  QStringList mimeTypes;       // MimeType: the types and URL schemes it opens
  bool isApplication = false;  // Type=Application
  bool noDisplay = false;
  bool hidden = false;

  // Reads the file's [Desktop Entry] group; nothing when it cannot be read or
  // has no such group. `languages` are the locale names to prefer for Name,
  // most specific first (see preferredLanguages()).
  static std::optional<DesktopEntry> load(const QString& path, const QString& id,
                                          const QStringList& languages);
  static std::optional<DesktopEntry> parse(const QByteArray& contents, const QString& path,
                                           const QString& id, const QStringList& languages);
  // The user's language variants from LC_ALL / LC_MESSAGES / LANG, as the
  // Desktop Entry rules match them: lang_COUNTRY@MOD, lang_COUNTRY, lang@MOD, lang.
  static QStringList preferredLanguages();

  // The program and its arguments from Exec, quoting and escapes resolved and
  // the field codes removed (no files or URLs are passed; %i, %c and %k are
  // expanded). Nothing when Exec is missing or malformed.
  std::optional<QStringList> commandLine() const;
  // Whether the program it would run is present (TryExec, then Exec's program).
  bool isRunnable() const;
  // The image Icon names: a name in the desktop's icon theme, or an absolute
  // file. A null icon when neither gives one.
  QIcon themeIcon() const;
  // An application the user should see in lists of installed applications.
  bool isListed() const { return isApplication && !noDisplay && !hidden; }

  // Starts the application without a shell, detached from us; its pid, or
  // nothing when it could not be started.
  std::optional<pid_t> launch() const;
};

}  // namespace pimble
