#include "system/fake_time_source.h"

#include <algorithm>
#include <cmath>

namespace pimble {

struct FakeTimeSource::Entry {
  Date due;
  Seconds tolerance;
  std::function<void()> fire;
  bool live = true;
};

namespace {
class FakeCall : public ScheduledCall {
 public:
  explicit FakeCall(std::shared_ptr<FakeTimeSource::Entry> entry) : entry_(std::move(entry)) {}
  ~FakeCall() override { entry_->live = false; }
  FakeCall(const FakeCall&) = delete;
  FakeCall& operator=(const FakeCall&) = delete;
  Date dueDate() const override;
  Seconds tolerance() const override;

 private:
  std::shared_ptr<FakeTimeSource::Entry> entry_;
};
}  // namespace

Date FakeCall::dueDate() const {
  return entry_->due;
}
Seconds FakeCall::tolerance() const {
  return entry_->tolerance;
}

FakeTimeSource::FakeTimeSource(Date start) : now_(clampDate(start)) {}

std::unique_ptr<ScheduledCall> FakeTimeSource::callAt(Date due, Seconds tolerance,
                                                      std::function<void()> fire) {
  if (std::isnan(tolerance.count()) || tolerance.count() < 0) tolerance = Seconds(0);
  auto entry = std::make_shared<Entry>(Entry{clampDate(due), tolerance, std::move(fire)});
  entries_.push_back(entry);
  return std::make_unique<FakeCall>(entry);
}

void FakeTimeSource::pass(Date date) {
  if (!(now_ < date)) return;
  steady_ += date - now_;
  now_ = date;
}

void FakeTimeSource::advance(Seconds by) {
  const Date target = addSeconds(now_, std::max(0.0, by.count()));
  fireDue(target, true);
  pass(target);
}

void FakeTimeSource::jumpTo(Date date) {
  date = clampDate(date);
  pass(date);
  now_ = date;
  fireDue(now_, false);
}

void FakeTimeSource::setClock(Date date) {
  now_ = clampDate(date);
  notifyClockChanged();
  fireDue(now_, false);
}

void FakeTimeSource::fireDue(Date until, bool moveClock) {
  // A callback that keeps re-arming at the same instant would loop forever;
  // a test that does so fails on the bound instead of hanging.
  for (int round = 0; round < 100000; ++round) {
    std::erase_if(entries_, [](const auto& e) { return !e->live; });
    auto it = std::min_element(entries_.begin(), entries_.end(),
                               [](const auto& a, const auto& b) { return a->due < b->due; });
    if (it == entries_.end() || (*it)->due > until) return;
    auto entry = *it;
    entries_.erase(it);
    entry->live = false;
    if (moveClock) pass(entry->due);
    auto fire = std::move(entry->fire);
    if (fire) fire();
  }
}

std::size_t FakeTimeSource::pendingCount() const {
  return static_cast<std::size_t>(
      std::count_if(entries_.begin(), entries_.end(), [](const auto& e) { return e->live; }));
}

std::optional<Date> FakeTimeSource::nextDueDate() const {
  std::optional<Date> next;
  for (const auto& e : entries_)
    if (e->live && (!next || e->due < *next)) next = e->due;
  return next;
}

}  // namespace pimble
