#include "system/desktop_entry.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QProcess>
#include <QStandardPaths>
#include <map>

namespace pimble {

namespace {

// The escapes of a string value: \s \n \t \r \\ (others are kept as written).
QString unescapeValue(const QString& raw) {
  QString out;
  out.reserve(raw.size());
  for (qsizetype i = 0; i < raw.size(); ++i) {
    const QChar c = raw[i];
    if (c != '\\' || i + 1 >= raw.size()) {
      out += c;
      continue;
    }
    const QChar next = raw[++i];
    switch (next.unicode()) {
      case 's':
        out += ' ';
        break;
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case '\\':
        out += '\\';
        break;
      default:
        out += '\\';
        out += next;
    }
  }
  return out;
}

QStringList splitList(const QString& value) {
  QStringList items;
  for (const QString& item : value.split(';')) {
    if (!item.isEmpty()) items << item;
  }
  return items;
}

bool isTrue(const QString& value) {
  return value == QLatin1String("true");
}

// Splits Exec into words: double quotes group, and inside them a backslash
// escapes ", `, $ and itself. Nothing when a quote is left open.
std::optional<QStringList> splitExec(const QString& exec) {
  QStringList words;
  QString word;
  bool inWord = false;
  bool quoted = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (quoted) {
      if (c == '"') {
        quoted = false;
      } else if (c == '\\' && i + 1 < exec.size() &&
                 QStringLiteral("\"`$\\").contains(exec[i + 1])) {
        word += exec[++i];
      } else {
        word += c;
      }
    } else if (c == '"') {
      quoted = true;
      inWord = true;
    } else if (c == ' ' || c == '\t' || c == '\n') {
      if (inWord) words << word;
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inWord) words << word;
  return words;
}

// Descriptors opened without close-on-exec, by this program's libraries
// (the sound server's shared memory) or by whatever started it, are no
// business of the applications it starts; a desktop's launcher closes them.
void closeDescriptorsOnExec() {
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
  for (const QString& name :
       QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System)) {
    bool number = false;
    const int fd = name.toInt(&number);
    if (number && fd > 2) ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
  }
}

}  // namespace

QStringList DesktopEntry::preferredLanguages() {
  QByteArray locale;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = qgetenv(name);
    if (!locale.isEmpty()) break;
  }
  QString text = QString::fromLocal8Bit(locale);
  // lang_COUNTRY.ENCODING@MODIFIER: the encoding plays no part.
  QString modifier;
  const qsizetype at = text.indexOf('@');
  if (at >= 0) {
    modifier = text.mid(at);
    text = text.left(at);
  }
  const qsizetype dot = text.indexOf('.');
  if (dot >= 0) text = text.left(dot);
  if (text.isEmpty() || text == QLatin1String("C") || text == QLatin1String("POSIX")) return {};
  const QString lang = text.section('_', 0, 0);
  QStringList result;
  const bool hasCountry = text.contains('_');
  if (hasCountry && !modifier.isEmpty()) result << text + modifier;
  if (hasCountry) result << text;
  if (!modifier.isEmpty()) result << lang + modifier;
  result << lang;
  return result;
}

std::optional<DesktopEntry> DesktopEntry::load(const QString& path, const QString& id,
                                               const QStringList& languages) {
  QFile file(path);
  // Desktop entries are small; anything huge is not one.
  if (!file.open(QIODevice::ReadOnly) || file.size() > 1024 * 1024) return std::nullopt;
  return parse(file.readAll(), path, id, languages);
}

std::optional<DesktopEntry> DesktopEntry::parse(const QByteArray& contents, const QString& path,
                                                const QString& id, const QStringList& languages) {
  std::map<QString, QString> keys;
  bool inMain = false;
  bool sawMain = false;
  for (const QByteArray& rawLine : contents.split('\n')) {
    const QString line = QString::fromUtf8(rawLine).trimmed();
    if (line.isEmpty() || line.startsWith('#')) continue;
    if (line.startsWith('[')) {
      // Only the first group is the entry itself; later groups are actions.
      if (sawMain) break;
      inMain = line == QLatin1String("[Desktop Entry]");
      sawMain = inMain;
      continue;
    }
    if (!inMain) continue;
    const qsizetype eq = line.indexOf('=');
    if (eq <= 0) continue;
    const QString key = line.left(eq).trimmed();
    // The first occurrence of a key counts.
    keys.emplace(key, line.mid(eq + 1).trimmed());
  }
  if (!sawMain) return std::nullopt;

  auto value = [&](const QString& key) {
    const auto it = keys.find(key);
    return it == keys.end() ? QString() : unescapeValue(it->second);
  };
  auto localized = [&](const QString& key) {
    for (const QString& language : languages) {
      const auto it = keys.find(key + '[' + language + ']');
      if (it != keys.end()) return unescapeValue(it->second);
    }
    return value(key);
  };

  DesktopEntry entry;
  entry.id = id;
  entry.path = path;
  entry.name = localized(QStringLiteral("Name"));
  entry.icon = value(QStringLiteral("Icon"));
  entry.exec = value(QStringLiteral("Exec"));
  entry.tryExec = value(QStringLiteral("TryExec"));
  entry.workingDirectory = value(QStringLiteral("Path"));
  entry.startupWMClass = value(QStringLiteral("StartupWMClass"));
  entry.categories = splitList(value(QStringLiteral("Categories")));
  entry.mimeTypes = splitList(value(QStringLiteral("MimeType")));
  entry.isApplication = value(QStringLiteral("Type")) == QLatin1String("Application");
  entry.noDisplay = isTrue(value(QStringLiteral("NoDisplay")));
  entry.hidden = isTrue(value(QStringLiteral("Hidden")));
  return entry;
}

std::optional<QStringList> DesktopEntry::commandLine() const {
  const auto words = splitExec(exec);
  if (!words || words->isEmpty()) return std::nullopt;
  QStringList args;
  for (const QString& word : *words) {
    // A word that is only %i becomes two words (or none without an icon).
    if (word == QLatin1String("%i")) {
      if (!icon.isEmpty()) args << QStringLiteral("--icon") << icon;
      continue;
    }
    if (word.size() == 2 && word[0] == '%' && QStringLiteral("fFuUdDnNvm").contains(word[1])) {
      continue;
    }
    QString expanded;
    for (qsizetype i = 0; i < word.size(); ++i) {
      if (word[i] != '%') {
        expanded += word[i];
        continue;
      }
      if (i + 1 >= word.size()) return std::nullopt;
      const QChar code = word[++i];
      switch (code.unicode()) {
        case '%':
          expanded += '%';
          break;
        case 'c':
          expanded += name;
          break;
        case 'k':
          expanded += path;
          break;
        case 'i':
        case 'f':
        case 'F':
        case 'u':
        case 'U':
        case 'd':
        case 'D':
        case 'n':
        case 'N':
        case 'v':
        case 'm':
          break;
        default:
          return std::nullopt;  // an unknown field code makes Exec invalid
      }
    }
    args << expanded;
  }
  if (args.isEmpty() || args.first().isEmpty()) return std::nullopt;
  return args;
}

bool DesktopEntry::isRunnable() const {
  auto present = [](const QString& program) {
    if (program.startsWith('/')) return QFileInfo(program).isExecutable();
    return !QStandardPaths::findExecutable(program).isEmpty();
  };
  if (!tryExec.isEmpty() && !present(tryExec)) return false;
  const auto command = commandLine();
  return command && present(command->first());
}

std::optional<pid_t> DesktopEntry::launch() const {
  const auto command = commandLine();
  if (!command || !isRunnable()) return std::nullopt;
  QString program = command->first();
  if (!program.startsWith('/')) program = QStandardPaths::findExecutable(program);
  qint64 pid = 0;
  // Launchers start applications in the home folder unless the entry says otherwise.
  const QString directory =
      QFileInfo(workingDirectory).isDir() ? workingDirectory : QDir::homePath();
  closeDescriptorsOnExec();
  if (!QProcess::startDetached(program, command->mid(1), directory, &pid) || pid <= 0) {
    return std::nullopt;
  }
  return static_cast<pid_t>(pid);
}

QIcon DesktopEntry::themeIcon() const {
  if (icon.isEmpty()) return {};
  if (!icon.startsWith('/')) return QIcon::fromTheme(icon);
  return QFileInfo::exists(icon) ? QIcon(icon) : QIcon();
}

}  // namespace pimble
