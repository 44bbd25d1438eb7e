#pragma once

#include <QRect>
#include <functional>
#include <memory>

#include "bubbles/bubble_content.h"
#include "bubbles/bubble_model.h"
#include "bubbles/companion_anchor.h"

namespace pimble {

class BubblePanel;
class BubbleView;

// Shows the speech bubble beside the character, hides it, and keeps it in
// place while the character moves. One lives for the whole process; its
// model carries the user's answers to the owner.
class BubblePanelController {
 public:
  explicit BubblePanelController(std::shared_ptr<CompanionAnchor> companion);
  ~BubblePanelController();
  BubblePanelController(const BubblePanelController&) = delete;
  BubblePanelController& operator=(const BubblePanelController&) = delete;

  BubbleModel& model() { return *model_; }
  BubblePanel& panel() { return *panel_; }
  BubbleView& view() { return *view_; }
  bool isShown() const { return isShown_; }

  // Called at the start of every show, also of one that refreshes a
  // bubble already on screen.
  std::function<void()> willShow;
  // Whether the desktop asks for reduced motion; empty: it does not.
  std::function<bool()> reduceMotion;

  // Shows `content` in `style`. A bubble already shown is refreshed in
  // place, without a new pop-in. Content the user asked for takes the
  // keyboard; anything else waits for a click.
  void show(BubbleContent content, BubbleStyle style);
  void hide();
  // The user opened the shown bubble, perhaps from another program's window
  // (the intention shortcut, the tray's menu): it takes the keyboard itself
  // once on screen.
  void takeKeyboard();
  // Places the bubble beside the character again; the owner calls this on
  // every geometry change of the character's window.
  void layoutNearCompanion();
  // Floats above other windows as the character does.
  void setAlwaysOnTop(bool on);

 private:
  void unmap(bool giveBack);

  std::shared_ptr<CompanionAnchor> companion_;
  std::unique_ptr<BubbleModel> model_;
  std::unique_ptr<BubblePanel> panel_;
  BubbleView* view_ = nullptr;  // owned by the panel
  bool isShown_ = false;
  // Where the bubble was put, and whether a window manager's move away from
  // there, once after showing, is still to be undone.
  QRect placed_;
  bool keepPlace_ = false;
};

}  // namespace pimble
