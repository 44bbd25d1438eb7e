// Every content answered by mouse and by keyboard, through the model's
// closures, with the texts shown exactly as given.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QFontMetricsF>
#include <QImage>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <optional>
#include <vector>

#include "bubble_samples.h"
#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/bubble_view.h"
#include "bubbles/intention_form_content.h"
#include "support/focus_pictures.h"

namespace pimble {
namespace {

using samples::child;

// A bubble view on its own model, recording every answer as text.
struct Bubble {
  BubbleModel model;
  std::unique_ptr<BubbleView> view;
  std::vector<std::string> answers;
  std::optional<CheckInResponse> checkIn;
  struct Start {
    ReturnTarget target;
    std::int64_t minutes;
    std::string purpose;
    std::optional<ReturnTarget> back;
  };
  std::optional<Start> started;

  explicit Bubble(BubbleContent content) {
    model.onDone = [this] { answers.push_back("done"); };
    model.onSnooze = [this] { answers.push_back("snooze"); };
    model.onSkip = [this] { answers.push_back("skip"); };
    model.onClose = [this] { answers.push_back("close"); };
    model.onQuickAction = [this](QuickAction a) { answers.emplace_back(enumName(a)); };
    model.onCheckIn = [this](CheckInResponse r) {
      answers.emplace_back("checkIn");
      checkIn = r;
    };
    model.onIntentionStart = [this](const ReturnTarget& t, std::int64_t m, const std::string& p,
                                    const std::optional<ReturnTarget>& b) {
      answers.emplace_back("start");
      started = Start{t, m, p, b};
    };
    model.onIntentionCancel = [this] { answers.emplace_back("cancel"); };
    model.onSessionStart = [this](const SessionPreset& s) {
      answers.push_back("session " + s.label);
    };
    model.setContent(std::move(content));
    view = std::make_unique<BubbleView>(model);
    view->finishAppearance();
    settle();
  }
  // Lays the view out at its fitting size, as the panel would; it counts as
  // shown without a window on any screen.
  void settle() {
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->show();
    view->resize(BubbleView::fixedWidth, std::max(90, view->fittingHeight()));
    QApplication::sendPostedEvents();
  }
  QWidget* root() const { return view->contentWidget(); }
  template <class W = QPushButton>
  W* get(const char* name) const {
    W* w = child<W>(root(), name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  void key(Qt::Key k, QWidget* target = nullptr) {
    QTest::keyClick(target != nullptr ? target : root(), k);
  }
  std::string answersText() const {
    std::string out;
    for (const auto& a : answers) out += (out.empty() ? "" : ",") + a;
    return out;
  }
};

TEST(ReminderBubble, ButtonsAndKeys) {
  Bubble b(BubbleContent::reminder(samples::water()));
  QTest::mouseClick(b.get("done"), Qt::LeftButton);
  QTest::mouseClick(b.get("snooze"), Qt::LeftButton);
  QTest::mouseClick(b.get("skip"), Qt::LeftButton);
  // Return answers Done and Escape Skip, wherever the keyboard is in the bubble.
  b.key(Qt::Key_Return, b.get("snooze"));
  b.key(Qt::Key_Enter);
  b.key(Qt::Key_Escape, b.get("done"));
  EXPECT_EQ(b.answersText(), "done,snooze,skip,done,done,skip");
  EXPECT_EQ(b.get("snooze")->text(), "Snooze 10 min");
  EXPECT_EQ(b.get("snooze")->accessibleName(), "Snooze 10 minutes");
  EXPECT_EQ(b.get("done")->accessibleName(), "Done: Time for some water");
  EXPECT_EQ(b.get("skip")->accessibleName(), "Skip this reminder");
  EXPECT_EQ(b.get<BubbleText>("message")->text(), "A few sips keep the focus & the mood up.");
}

TEST(ReminderBubble, EmptyMessageLeavesNoLineAndTitleKeepsToTwoLines) {
  Reminder r = samples::water();
  r.message.clear();
  r.kind = ReminderKind::custom;
  r.title =
      "Call the bank & check the statement before lunch, then send the forms back to "
      "the office and book the dentist for next week";
  r.snoozeMinutes = 25;
  Bubble b(BubbleContent::reminder(r));
  EXPECT_EQ(child<BubbleText>(b.root(), "message"), nullptr);
  auto* title = b.get<BubbleText>("title");
  EXPECT_TRUE(title->isTruncated());
  EXPECT_LE(title->height(), 2 * 17 + 2);
  // "&" stays a character: the button shows it, no mnemonic swallows it.
  EXPECT_EQ(b.get("done")->accessibleName().toStdString(), "Done: " + r.title);
  EXPECT_EQ(b.get("snooze")->text(), "Snooze 25 min");
  EXPECT_GE(b.get("snooze")->width(), b.get("snooze")->sizeHint().width());
}

TEST(MessageBubble, OkClosesByClickAndReturnEscapeDoesNothing) {
  Bubble b(BubbleContent::message("Paused & quiet", ""));
  EXPECT_EQ(b.get<BubbleText>("title")->text(), "Paused & quiet");
  EXPECT_NE(child<BubbleText>(b.root(), "body"), nullptr);  // present, also empty
  QTest::mouseClick(b.get("ok"), Qt::LeftButton);
  b.key(Qt::Key_Return);
  b.key(Qt::Key_Escape);
  EXPECT_EQ(b.answersText(), "close,close");
}

TEST(CheckInBubble, EveryAnswerIncludingLaterAndOverflowMenus) {
  Bubble b(BubbleContent::checkIn(samples::appCheckIn()));
  QTest::mouseClick(b.get("primary"), Qt::LeftButton);
  EXPECT_EQ(b.checkIn, CheckInResponse(CheckInResponse::Case::wrapUp));
  QTest::mouseClick(b.get("secondary"), Qt::LeftButton);
  EXPECT_EQ(b.checkIn, CheckInResponse(CheckInResponse::Case::keepGoing));

  auto* later = b.get<QToolButton>("later");
  EXPECT_EQ(later->text(), "Later");
  EXPECT_EQ(later->accessibleName(), "Remind me later");
  QStringList items;
  for (QAction* a : later->menu()->actions()) items << a->text();
  EXPECT_EQ(items, (QStringList{"In 10 minutes", "In 20 minutes", "In 30 minutes"}));
  later->menu()->actions()[1]->trigger();
  EXPECT_EQ(b.checkIn, CheckInResponse::remindIn(20));

  auto* more = b.get<QToolButton>("overflow");
  EXPECT_EQ(more->accessibleName(), "More options");
  ASSERT_EQ(more->menu()->actions().size(), 2);
  more->menu()->actions()[1]->trigger();
  EXPECT_EQ(b.checkIn, CheckInResponse(CheckInResponse::Case::stopForApp));

  b.key(Qt::Key_Return);
  EXPECT_EQ(b.checkIn, CheckInResponse(CheckInResponse::Case::wrapUp));
  b.key(Qt::Key_Escape);
  EXPECT_EQ(b.checkIn, CheckInResponse(CheckInResponse::Case::keepGoing));
  EXPECT_EQ(b.answers.size(), 6u);
}

TEST(CheckInBubble, MoreTimeMenuAndABareCard) {
  CheckIn c = samples::appCheckIn();
  c.moreTime = true;
  c.laterMinutes = {5, 15};
  Bubble b(BubbleContent::checkIn(c));
  auto* later = b.get<QToolButton>("later");
  EXPECT_EQ(later->text(), "More time");
  EXPECT_EQ(later->accessibleName(), "Remind me later");
  EXPECT_EQ(later->menu()->actions()[0]->text(), "5 more minutes");
  later->menu()->actions()[0]->trigger();
  EXPECT_EQ(b.checkIn, CheckInResponse::remindIn(5));

  CheckIn bare = samples::appCheckIn();
  bare.secondary.reset();
  bare.laterMinutes.clear();
  bare.overflow.clear();
  bare.primary.title = "Back to work & done";
  Bubble plain(BubbleContent::checkIn(bare));
  EXPECT_EQ(child<QPushButton>(plain.root(), "secondary"), nullptr);
  EXPECT_EQ(child<QToolButton>(plain.root(), "later"), nullptr);
  EXPECT_EQ(child<QToolButton>(plain.root(), "overflow"), nullptr);
  EXPECT_EQ(plain.get("primary")->text(), "Back to work && done");  // shown with its "&"
  plain.key(Qt::Key_Escape);                                        // nothing to cancel with
  EXPECT_TRUE(plain.answers.empty());
  plain.key(Qt::Key_Return);
  EXPECT_EQ(plain.answersText(), "checkIn");
}

TEST(CheckInBubble, LongTitleShrinksBeforeItIsCut) {
  CheckIn c = samples::appCheckIn();
  Bubble probe(BubbleContent::checkIn(c));
  const int width = probe.get<BubbleText>("title")->width();
  ASSERT_GT(width, 100);
  // A title up to a tenth too wide at full size shrinks and stays whole.
  const QFontMetricsF full(BubbleLook::font(BubbleLook::TextStyle::headline));
  QString title = QStringLiteral("Minutes");
  while (full.horizontalAdvance(title) < width * 1.08) title += QLatin1Char('m');
  c.title = title.toStdString();
  Bubble b(BubbleContent::checkIn(c));
  EXPECT_FALSE(b.get<BubbleText>("title")->isTruncated());
  c.title = std::string(120, 'W');
  Bubble longer(BubbleContent::checkIn(c));
  EXPECT_TRUE(longer.get<BubbleText>("title")->isTruncated());
  // Still one line high.
  EXPECT_EQ(longer.get<BubbleText>("title")->height(), probe.get<BubbleText>("title")->height());
}

TEST(CheckInBubble, ANameTooLongForItsButtonIsCutAtTheEndAndWholeInTheTooltip) {
  CheckIn c = samples::appCheckIn();
  const QString title = QStringLiteral("Back to Back&_<i>x</i> Studio Professional Edition 2026");
  c.primary.title = c.secondary->title = title.toStdString();
  Bubble b(BubbleContent::checkIn(c));
  for (const char* name : {"primary", "secondary"}) {
    QPushButton* button = b.get(name);
    const QString shown = button->text().replace(QStringLiteral("&&"), QStringLiteral("&"));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")) && title.startsWith(shown.chopped(1)))
        << name << ": " << shown.toStdString();
    QStyleOptionButton option;
    option.initFrom(button);
    const QRect room =
        button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    EXPECT_LE(button->fontMetrics().horizontalAdvance(shown), room.width()) << name;
    EXPECT_LE(button->geometry().right(), b.root()->width()) << name;
    QTextDocument tip;
    tip.setHtml(button->toolTip());
    EXPECT_EQ(tip.toPlainText(), title) << name;
    EXPECT_EQ(button->accessibleName(), title) << name;
  }
  // A title that names a long application is cut in the same way.
  c.title = title.toStdString() + " · 45m";
  Bubble titled(BubbleContent::checkIn(c));
  auto* t = titled.get<BubbleText>("title");
  EXPECT_TRUE(t->isTruncated());
  QTextDocument tip;
  tip.setHtml(t->toolTip());
  EXPECT_EQ(tip.toPlainText().toStdString(), c.title);
}

TEST(IntentionForm, ALongNameIsCutAtTheEndOfItsBoxAndWholeInItsTooltipAndList) {
  const QString going = QStringLiteral("Studio Professional Edition 2026 Long Name");
  const QString back = QStringLiteral("Back&_<i>x</i> Studio Professional Edition 2026");
  IntentionForm f = samples::form(false);
  f.apps[0].name = f.returnChoices[0].name = going.toStdString();
  f.apps[2].name = f.returnChoices[2].name = back.toStdString();
  f.target = f.apps[0];
  f.returnTo = f.apps[2];
  Bubble b(BubbleContent::intentionForm(f));
  for (const auto& [name, whole] : {std::pair{"target", going}, std::pair{"returnTo", back}}) {
    auto* box = b.get<BubbleLook::NamePicker>(name);
    const QString shown = box->shownText();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("…")) && whole.startsWith(shown.chopped(1)))
        << name << ": " << shown.toStdString();
    QStyleOptionComboBox option;
    option.initFrom(box);
    const QRect room = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                    QStyle::SC_ComboBoxEditField, box);
    EXPECT_LE(box->fontMetrics().horizontalAdvance(shown), room.width()) << name;
    QTextDocument tip;
    tip.setHtml(box->toolTip());
    EXPECT_EQ(tip.toPlainText().toStdString(), whole.toStdString()) << name;
    EXPECT_EQ(box->currentText().toStdString(), whole.toStdString()) << name << ": the list's own";
  }
}

// A name shows whole in both boxes when the box can grow to it; a longer
// one is cut at the end of the room the box has at its largest, which ends
// as far from the box's right edge as the label starts from its left.
TEST(IntentionForm, ANameIsCutOnlyWhenTheBoxCannotGrowToIt) {
  const QString longName = QStringLiteral("Extraordinarily Long Application Name 2026");
  for (const QString& name : {QStringLiteral("XTerm"), QStringLiteral("Noicon"),
                              QStringLiteral("Mxpm"), QStringLiteral("WWWWWWWWW"), longName}) {
    IntentionForm f = samples::form(false);
    f.apps = f.returnChoices = {{"target", name.toStdString()}, {"back", name.toStdString()}};
    f.target = f.apps[0];
    f.returnTo = f.apps[1];
    Bubble b(BubbleContent::intentionForm(f));
    for (const char* boxName : {"target", "returnTo"}) {
      SCOPED_TRACE(name.toStdString() + " in " + boxName);
      auto* box = b.get<BubbleLook::NamePicker>(boxName);
      const QString shown = box->shownText();
      QStyleOptionComboBox option;
      option.initFrom(box);
      const QRect room = box->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, box);
      if (name != longName) {
        EXPECT_EQ(shown.toStdString(), name.toStdString());
        continue;
      }
      ASSERT_TRUE(shown.endsWith(QStringLiteral("…")));
      EXPECT_LE(box->width() - 1 - room.right(), room.left());
      // One more letter would not have fitted.
      EXPECT_GT(box->fontMetrics().horizontalAdvance(name.left(shown.size()) + QStringLiteral("…")),
                room.width() - 2);
      // The list shows it whole: its row drawn at the list's width is the
      // start of the row drawn wider.
      box->showPopup();
      QAbstractItemView* rows = box->view();
      auto row = [&](int width) {
        QImage image(width, 30, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter painter(&image);
        QStyleOptionViewItem option;
        option.initFrom(rows);
        option.rect = image.rect();
        rows->itemDelegate()->paint(&painter, option, box->model()->index(box->currentIndex(), 0));
        return image;
      };
      const int width = rows->viewport()->width();
      EXPECT_EQ(row(width), row(width + 200).copy(0, 0, width, 30)) << "cut in the list";
      box->hidePopup();
    }
  }
}

TEST(IntentionForm, StartReportsTheChoicesAndKeysAnswer) {
  Bubble b(BubbleContent::intentionForm(samples::form(false)));
  auto* purpose = b.get<QLineEdit>("purpose");
  QTest::keyClicks(purpose, "Reply to Ana's mail");
  QTest::mouseClick(b.get("minutes-30"), Qt::LeftButton);
  QTest::mouseClick(b.get("start"), Qt::LeftButton);
  ASSERT_TRUE(b.started);
  EXPECT_EQ(b.started->target.bundleID, "org.mozilla.firefox");
  EXPECT_EQ(b.started->minutes, 30);
  EXPECT_EQ(b.started->purpose, "Reply to Ana's mail");
  ASSERT_TRUE(b.started->back);
  EXPECT_EQ(b.started->back->name, "Text Editor");
  // Return in the purpose field presses Start; Escape presses Cancel.
  b.key(Qt::Key_Return, purpose);
  b.key(Qt::Key_Escape, purpose);
  EXPECT_EQ(b.answersText(), "start,start,cancel");
  EXPECT_EQ(b.get("cancel")->text(), "Cancel");
  QTest::mouseClick(b.get("session-1"), Qt::LeftButton);
  EXPECT_EQ(b.answers.back(), "session YouTube");
  EXPECT_EQ(b.get("session-1")->text(), "YouTube 30m");
  EXPECT_EQ(b.get("session-1")->toolTip(),
            "Start a 30-minute YouTube session timer in your browser");
  EXPECT_EQ(child<QPushButton>(b.root(), "session-3"), nullptr);  // News is not offered
}

TEST(IntentionForm, PurposeKeepsToEightyCharacters) {
  Bubble b(BubbleContent::intentionForm(samples::form(false)));
  auto* purpose = b.get<QLineEdit>("purpose");
  purpose->insert(QString(100, QLatin1Char('a')));
  EXPECT_EQ(purpose->text().size(), 80);
  purpose->clear();
  const QString family = QString::fromUtf8("\U0001F468\u200D\U0001F469\u200D\U0001F467");
  QString eighty;
  for (int i = 0; i < 79; ++i) eighty += QLatin1Char('x');
  purpose->insert(eighty + family + family);  // a family emoji counts as one
  EXPECT_EQ(purpose->text(), eighty + family);
  purpose->setText(QStringLiteral("   "));
  QTest::mouseClick(b.get("start"), Qt::LeftButton);
  EXPECT_EQ(b.started->purpose, "   ");
}

TEST(IntentionForm, ReturnListFollowsTheTarget) {
  Bubble b(BubbleContent::intentionForm(samples::form(false)));
  auto* target = b.get<QComboBox>("target");
  auto* back = b.get<QComboBox>("returnTo");
  auto names = [&] {
    QStringList n;
    for (int i = 0; i < back->count(); ++i) n << back->itemText(i);
    return n;
  };
  EXPECT_EQ(names(), (QStringList{"Nothing", "VLC", "Text Editor"}));
  EXPECT_EQ(back->currentText(), "Text Editor");
  // Going to the application chosen to go back to: it leaves the list and
  // the box shows "Nothing", as Start reports, yet the choice comes back
  // with another target.
  target->setCurrentIndex(2);
  emit target->activated(2);
  EXPECT_EQ(names(), (QStringList{"Nothing", "Firefox", "VLC"}));
  EXPECT_EQ(back->currentText(), "Nothing");
  QTest::mouseClick(b.get("start"), Qt::LeftButton);
  EXPECT_FALSE(b.started->back.has_value());
  emit target->activated(1);
  EXPECT_EQ(back->currentText(), "Text Editor");
  back->setCurrentIndex(0);
  emit back->activated(0);
  QTest::mouseClick(b.get("start"), Qt::LeftButton);
  EXPECT_EQ(b.started->target.name, "VLC");
  EXPECT_FALSE(b.started->back.has_value());
}

// Opened over the only application running, which is both the first to
// go to and the one in front to go back to; or offered a return that is
// no choice: the box shows "Nothing", and Start reports no return.
TEST(IntentionForm, AReturnThatIsNotOfferedShowsNothing) {
  const ReturnTarget xterm{"xterm", "XTerm"};
  IntentionForm f = samples::form(false);
  f.apps = {xterm};
  f.target.reset();
  f.returnChoices = {xterm};
  f.returnTo = xterm;
  Bubble only(BubbleContent::intentionForm(f));
  EXPECT_EQ(only.get<QComboBox>("target")->currentText(), "XTerm");
  EXPECT_EQ(only.get<QComboBox>("returnTo")->currentText(), "Nothing");
  only.key(Qt::Key_Return);
  ASSERT_TRUE(only.started);
  EXPECT_FALSE(only.started->back.has_value());

  f = samples::form(false);
  f.returnTo = ReturnTarget{"org.example.gone", "Gone"};
  Bubble gone(BubbleContent::intentionForm(f));
  EXPECT_EQ(gone.get<QComboBox>("returnTo")->currentText(), "Nothing");
  gone.key(Qt::Key_Return);
  ASSERT_TRUE(gone.started);
  EXPECT_FALSE(gone.started->back.has_value());
}

// Tab comes into the minutes on the chosen one, from either side, as into
// any row of choices; the arrow keys move the choice, which Start reports.
TEST(IntentionForm, TabComesIntoTheMinutesOnTheChosenOne) {
  IntentionForm f = samples::form(false);
  Bubble b(BubbleContent::intentionForm(f));
  QApplication::setActiveWindow(b.view.get());
  ASSERT_TRUE(b.view->isActiveWindow());
  auto focus = [] { return QApplication::focusWidget(); };
  auto press = [&](Qt::Key key) { QTest::keyClick(focus(), key); };
  b.get<QComboBox>("target")->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Tab);
  EXPECT_EQ(focus(), b.get("minutes-15"));
  b.get<QLineEdit>("purpose")->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Backtab);
  EXPECT_EQ(focus(), b.get("minutes-15"));
  press(Qt::Key_Right);
  EXPECT_EQ(focus(), b.get("minutes-20"));
  EXPECT_TRUE(b.get("minutes-20")->isChecked());
  press(Qt::Key_Tab);
  EXPECT_EQ(focus(), b.get<QLineEdit>("purpose"));
  press(Qt::Key_Backtab);
  EXPECT_EQ(focus(), b.get("minutes-20"));
  press(Qt::Key_Return);
  ASSERT_TRUE(b.started);
  EXPECT_EQ(b.started->minutes, 20);

  // No minutes chosen: Tab comes in on the first.
  f.id = Uuid::generate();
  f.minutes = 25;
  Bubble none(BubbleContent::intentionForm(f));
  QApplication::setActiveWindow(none.view.get());
  none.get<QComboBox>("target")->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Tab);
  EXPECT_EQ(focus(), none.get("minutes-5"));
}

TEST(IntentionForm, StartDisabledUntilTheTargetIsValid) {
  IntentionForm f = samples::form(true);
  f.target = ReturnTarget{"com.example.unlisted", "Unlisted"};
  f.minutes = 25;
  Bubble b(BubbleContent::intentionForm(f));
  auto* start = b.get("start");
  EXPECT_FALSE(start->isEnabled());
  EXPECT_EQ(b.get<QComboBox>("target")->currentIndex(), -1);
  b.key(Qt::Key_Return);
  EXPECT_TRUE(b.answers.empty());
  // A prompt offers no session timers and says "Not now".
  EXPECT_EQ(child<QPushButton>(b.root(), "session-0"), nullptr);
  EXPECT_EQ(b.get("cancel")->text(), "Not now");
  b.get<QComboBox>("target")->setCurrentIndex(1);
  emit b.get<QComboBox>("target")->activated(1);
  EXPECT_TRUE(start->isEnabled());
  for (int m : IntentionFormContent::minuteChoices) {
    EXPECT_FALSE(b.get(("minutes-" + std::to_string(m)).c_str())->isChecked());
  }
  b.key(Qt::Key_Return);
  EXPECT_EQ(b.started->minutes, 25);  // no segment picked: the form's own minutes

  IntentionForm empty = samples::form(false);
  empty.apps.clear();
  empty.target.reset();
  Bubble none(BubbleContent::intentionForm(empty));
  EXPECT_FALSE(none.get("start")->isEnabled());
  QTest::mouseClick(none.get("cancel"), Qt::LeftButton);
  QTest::mouseClick(none.get("session-0"), Qt::LeftButton);
  EXPECT_EQ(none.answersText(), "cancel,session Netflix");
}

TEST(IntentionForm, SameFormKeepsChoicesNewFormStartsAfresh) {
  const IntentionForm f = samples::form(false);
  Bubble b(BubbleContent::intentionForm(f));
  b.get<QLineEdit>("purpose")->setText(QStringLiteral("notes"));
  b.model.setContent(BubbleContent::intentionForm(f));
  EXPECT_EQ(b.get<QLineEdit>("purpose")->text(), "notes");
  IntentionForm again = f;
  again.id = Uuid::generate();
  b.model.setContent(BubbleContent::intentionForm(again));
  EXPECT_EQ(b.get<QLineEdit>("purpose")->text(), "");
}

TEST(QuickActions, EachButtonAndClose) {
  Bubble b(BubbleContent::quickActions());
  for (QuickAction a : allCases<QuickAction>()) {
    const std::string name = "action-" + std::string(enumName(a));
    QTest::mouseClick(b.get(name.c_str()), Qt::LeftButton);
  }
  QTest::mouseClick(b.get("close"), Qt::LeftButton);
  EXPECT_EQ(b.answersText(), "water,stretch,pause30,progress,settings,close");
  EXPECT_EQ(b.get("close")->accessibleName(), "Close");
  // Settings alone in the third row, one column wide, on the left.
  const QRect water = b.get("action-water")->geometry();
  const QRect settings = b.get("action-settings")->geometry();
  EXPECT_EQ(settings.x(), water.x());
  EXPECT_EQ(settings.width(), water.width());
  EXPECT_GT(settings.y(), b.get("action-pause30")->geometry().y());
  // Neither key answers here.
  b.key(Qt::Key_Return);
  b.key(Qt::Key_Escape);
  EXPECT_EQ(b.answers.size(), 6u);
}

TEST(ProgressBubble, RowsInKindOrderWithTotals) {
  Bubble b(BubbleContent::progress(samples::progress({{"stretch", 1}, {"water", 3}})));
  EXPECT_EQ(b.get<BubbleText>("total")->text(), "4 done");
  auto rows = [](const Bubble& x) {
    QStringList out;
    for (int i = 0;; ++i) {
      QWidget* row = child<QWidget>(x.root(), QStringLiteral("row-%1").arg(i).toLatin1());
      if (row == nullptr) break;
      out << child<BubbleText>(row, "rowTitle")->text();
    }
    return out;
  };
  EXPECT_EQ(rows(b), (QStringList{"Drink water", "Stretch"}));
  QList<BubbleText*> counts = b.root()->findChildren<BubbleText*>(QStringLiteral("rowCount"));
  ASSERT_EQ(counts.size(), 2);
  EXPECT_EQ(counts[0]->text(), "3");
  QTest::mouseClick(b.get("close"), Qt::LeftButton);
  EXPECT_EQ(b.answersText(), "close");

  Bubble personal(BubbleContent::progress(samples::progress({{"custom", 2}})));
  EXPECT_EQ(rows(personal), (QStringList{"Personal reminders"}));
  Bubble empty(BubbleContent::progress(samples::progress({})));
  EXPECT_EQ(empty.get<BubbleText>("total")->text(), "0 done");
  EXPECT_EQ(empty.get<BubbleText>("empty")->text(),
            "Nothing yet. A sip of water is a great start!");
  // A count under an unknown key adds to the total but has no row.
  Bubble odd(BubbleContent::progress(samples::progress({{"juggling", 4}})));
  EXPECT_EQ(odd.get<BubbleText>("total")->text(), "4 done");
  EXPECT_TRUE(rows(odd).isEmpty());
  EXPECT_EQ(child<BubbleText>(odd.root(), "empty"), nullptr);
}

// The controls the keyboard can reach in a bubble, in their order.
std::vector<QWidget*> keyboardControls(QWidget* root) {
  std::vector<QWidget*> out;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    // Tab stops on one choice of a row (the minutes); the arrow keys reach the others.
    const auto* choice = qobject_cast<QAbstractButton*>(w);
    const bool reached =
        (w->focusPolicy() & Qt::TabFocus) ||
        (choice != nullptr && choice->group() != nullptr && w->focusPolicy() != Qt::NoFocus);
    if (w->isVisibleTo(root) && w->isEnabled() && reached) out.push_back(w);
  }
  return out;
}

// Sends a key to a control; false when it opened a popup, which is then
// closed again (a menu runs a loop of its own until it closes).
bool keyOpensNoPopup(QWidget* control, Qt::Key key) {
  bool opened = false;
  auto closePopup = [&opened] {
    if (QWidget* popup = QApplication::activePopupWidget()) {
      popup->close();
      opened = true;
    }
  };
  QTimer closer;
  closer.setInterval(50);
  QObject::connect(&closer, &QTimer::timeout, closePopup);
  closer.start();
  QTest::keyClick(control, key);
  closePopup();
  return !opened;
}

// One bubble of each kind the keyboard can answer, with what Return (and
// Enter) and Escape answer in it.
struct KeyCase {
  const char* name;
  BubbleContent content;
  std::string onReturn, onEscape;
};

std::vector<KeyCase> keyCases() {
  IntentionForm unlisted = samples::form(true);
  unlisted.target = ReturnTarget{"com.example.unlisted", "Unlisted"};
  return {
      {"reminder", BubbleContent::reminder(samples::water()), "done", "skip"},
      {"message", BubbleContent::message("a", "b"), "close", ""},
      {"check-in", BubbleContent::checkIn(samples::appCheckIn()), "checkIn wrapUp",
       "checkIn keepGoing"},
      {"form", BubbleContent::intentionForm(samples::form(false)), "start", "cancel"},
      {"form without a target", BubbleContent::intentionForm(unlisted), "", "cancel"},
      {"quick actions", BubbleContent::quickActions(), "", ""},
      {"progress", BubbleContent::progress(samples::progress({{"water", 1}})), "", ""},
  };
}

// Return and Enter answer as the content's default button and Escape as its
// cancel button from every control the keyboard can reach, whatever that
// control does with the key by itself; Space presses the button it is on.
TEST(BubbleKeys, ReturnAndEscapeAnswerFromEveryControl) {
  for (const auto& c : keyCases()) {
    Bubble b(c.content);
    auto heard = [&b] {
      std::string text = b.answersText();
      if (b.checkIn) text += " " + std::string(enumName(b.checkIn->kase));
      b.answers.clear();
      b.checkIn.reset();
      return text;
    };
    const std::vector<QWidget*> controls = keyboardControls(b.root());
    ASSERT_FALSE(controls.empty()) << c.name;
    for (QWidget* control : controls) {
      SCOPED_TRACE(std::string(c.name) + ", keyboard on " + control->metaObject()->className() +
                   " " + control->objectName().toStdString());
      control->setFocus();
      for (const auto& [key, expected] :
           {std::pair{Qt::Key_Return, c.onReturn}, std::pair{Qt::Key_Enter, c.onReturn},
            std::pair{Qt::Key_Escape, c.onEscape}}) {
        EXPECT_TRUE(keyOpensNoPopup(control, key)) << QTest::toString(key);
        EXPECT_EQ(heard(), expected) << QTest::toString(key);
      }
      auto* button = qobject_cast<QPushButton*>(control);
      if (button == nullptr) continue;
      QTest::mouseClick(button, Qt::LeftButton);
      const std::string clicked = heard();
      QTest::keyClick(button, Qt::Key_Space);
      EXPECT_EQ(heard(), clicked) << "Space";
    }
  }
}

// Every control the keyboard reaches in every bubble, in every bubble style,
// plainly shows when it has the keyboard: a user pressing Space or Return
// sees first what it will do. The mark is one ring at the control's edge;
// inside it nothing changes (a second box there reads as selected text).
TEST(BubbleKeys, EveryControlShowsWhenItHasTheKeyboard) {
  for (BubbleStyle style : allCases<BubbleStyle>()) {
    for (const KeyCase& c : keyCases()) {
      SCOPED_TRACE(std::string(c.name) + " in the " + std::string(enumName(style)) + " style");
      Bubble b(c.content);
      b.model.setStyle(style);
      b.settle();
      QApplication::setActiveWindow(b.view.get());
      ASSERT_TRUE(b.view->isActiveWindow());
      const std::vector<QWidget*> controls = keyboardControls(b.root());
      ASSERT_FALSE(controls.empty());
      // The picture with the keyboard nowhere in the bubble, after a real
      // Tab: styles draw their own focus marks only once keys moved it.
      controls.front()->setFocus();
      QTest::keyClick(controls.front(), Qt::Key_Tab);
      ASSERT_TRUE(b.view->testAttribute(Qt::WA_KeyboardFocusChange));
      if (QWidget* focus = QApplication::focusWidget()) focus->clearFocus();
      const QImage quiet = b.view->grab().toImage();
      for (QWidget* control : controls) {
        control->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(control->hasFocus());
        const QRect bounds(control->mapTo(b.view.get(), QPoint()), control->size());
        const QImage focused = b.view->grab().toImage();
        const std::string name = std::string(control->metaObject()->className()) + " " +
                                 control->objectName().toStdString();
        EXPECT_GE(testing::plainlyChangedPixels(focused, quiet,
                                                bounds.adjusted(-3, -3, 3, 3) & b.view->rect()),
                  10)
            << name << " shows no plain sign of the keyboard";
        // A text field's caret is where typing goes, and belongs inside it.
        if (qobject_cast<QLineEdit*>(control) != nullptr) continue;
        // In from the ring by more than its width, clear of its round corners.
        EXPECT_EQ(testing::changedPixels(focused, quiet, bounds.adjusted(4, 4, -4, -4), 1), 0)
            << name << " changes inside its ring as it takes the keyboard";
      }
    }
  }
}

// A picker's list and a menu, open over the bubble, take the keys for
// themselves: Return chooses in them and Escape closes them, answering nothing.
TEST(BubbleKeys, AnOpenListOrMenuKeepsItsKeys) {
  Bubble form(BubbleContent::intentionForm(samples::form(false)));
  auto* target = form.get<QComboBox>("target");
  target->showPopup();
  ASSERT_TRUE(target->view()->isVisible());
  QTest::keyClick(target->view(), Qt::Key_Down);
  QTest::keyClick(target->view(), Qt::Key_Return);
  EXPECT_FALSE(target->view()->isVisible());
  EXPECT_EQ(target->currentText(), "VLC");
  target->showPopup();
  QTest::keyClick(target->view(), Qt::Key_Escape);
  EXPECT_FALSE(target->view()->isVisible());
  EXPECT_EQ(form.answersText(), "");

  Bubble checkIn(BubbleContent::checkIn(samples::appCheckIn()));
  QMenu* menu = checkIn.get<QToolButton>("later")->menu();
  menu->popup(checkIn.view->mapToGlobal(QPoint()));
  menu->setActiveAction(menu->actions()[1]);
  QTest::keyClick(menu, Qt::Key_Return);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_EQ(checkIn.checkIn, CheckInResponse::remindIn(20));
  menu->popup(checkIn.view->mapToGlobal(QPoint()));
  QTest::keyClick(menu, Qt::Key_Escape);
  EXPECT_FALSE(menu->isVisible());
  EXPECT_EQ(checkIn.answersText(), "checkIn");
}

TEST(BubbleView, TailSideInsetsAndPopIn) {
  Bubble b(BubbleContent::message("Hi", "there"));
  EXPECT_EQ(b.root()->geometry().left(), 8 + 16 + 11);
  EXPECT_EQ(BubbleView::fixedWidth - b.root()->geometry().right() - 1, 8 + 16);
  b.model.setTailOnLeading(false);
  b.settle();
  EXPECT_EQ(b.root()->geometry().left(), 8 + 16);
  EXPECT_EQ(b.root()->width(), 304 - 32 - 11);

  b.view->resetAppearance();
  EXPECT_DOUBLE_EQ(b.view->popScale(), 0.88);
  EXPECT_DOUBLE_EQ(b.view->popOpacity(), 0.0);
  b.view->setReduceMotion(true);
  b.view->resetAppearance();
  EXPECT_DOUBLE_EQ(b.view->popScale(), 1.0);
  EXPECT_DOUBLE_EQ(b.view->popOpacity(), 1.0);
  // The spring overshoots a little and settles within the pop-in's time.
  EXPECT_GT(BubbleView::spring(0.2), 1.0);
  EXPECT_NEAR(BubbleView::spring(0.7), 1.0, 1e-3);
}

TEST(BubbleView, AnswerThatReplacesTheContentIsSafe) {
  Bubble b(BubbleContent::reminder(samples::water()));
  b.model.onDone = [&b] { b.model.setContent(BubbleContent::message("Nice!", "")); };
  QTest::mouseClick(b.get("done"), Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_EQ(b.model.content().kase(), BubbleContent::Case::message);
  EXPECT_NE(child<QPushButton>(b.root(), "ok"), nullptr);
}

}  // namespace
}  // namespace pimble
