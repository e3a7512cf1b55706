#include "Shell/ContentView.h"

#include "Shell/CardViews.h"
#include "Shell/CellLayer.h"
#include "Ui/Widgets.h"

#include <algorithm>

namespace kivari {

namespace {

void styleLayer(Gtk::Widget& layer, const char* kind) {
  layer.add_css_class("layer");
  layer.add_css_class(kind);
  layer.set_hexpand(true);
  layer.set_vexpand(true);
}

// A dimming scrim that takes every click, with the card centred over it on
// a frosted surface. `maxWidth` bounds the surface, `inset` lies between
// the surface's edge and the card.
class CardLayer : public Gtk::Overlay {
 public:
  CardLayer(Gtk::Widget* card, int maxWidth, int inset, std::vector<Gtk::Widget*> backdrop)
      : bin_(maxWidth) {
    readAsGroup(*this);
    scrim_.add_css_class("scrim");
    scrim_.set_hexpand(true);
    scrim_.set_vexpand(true);
    auto clickCatcher = Gtk::GestureClick::create();
    clickCatcher->signal_pressed().connect([g = clickCatcher.get()](int, double, double) {
      g->set_state(Gtk::EventSequenceState::CLAIMED);
    });
    scrim_.add_controller(clickCatcher);
    set_child(scrim_);
    card->set_margin(inset);
    surface_.add_css_class("card-surface");
    surface_.setChild(*card);
    surface_.setBackdrop(backdrop);
    bin_.setChild(surface_);
    bin_.set_halign(Gtk::Align::FILL);
    bin_.set_valign(Gtk::Align::CENTER);
    bin_.set_margin(24);
    add_overlay(bin_);
  }

 private:
  Gtk::Box scrim_;
  FrostedSurface surface_;
  MaxWidthBin bin_;
};

// The widget a card gives the keyboard to once it is on screen, unless
// something covers it by then.
void focusWhenShown(Gtk::Widget& widget, std::weak_ptr<CardConsent> consent) {
  widget.signal_map().connect([&widget, consent] {
    const auto card = consent.lock();
    if (card && !card->covered()) widget.grab_focus();
  });
}

}  // namespace

ContentView::ContentView(Gtk::Window& window, AppState& state, Scheduler& scheduler,
                         const LaunchOptions& launch)
    : state_(state),
      scheduler_(scheduler),
      promptModel_(scheduler),
      promptDesktop_(state, promptModel_, scheduler),
      compactBar_(state) {
  readAsGroup(*this);
  hideFromAssistiveTechnology(background_);
  set_child(background_);

  styleLayer(promptDesktop_, "desktop-layer");
  layerArea_.add(promptDesktop_, kPromptDesktopEntryScale, false);

  compactReveal_.set_transition_type(Gtk::RevealerTransitionType::SLIDE_UP);
  compactReveal_.set_transition_duration(kModeAnimationMs);
  compactReveal_.set_child(compactBar_);
  connections_.push_back(compactReveal_.property_child_revealed().signal_changed().connect([this] {
    // Hidden once it has slid away, unless it was called back meanwhile.
    if (!compactReveal_.get_child_revealed() && !compactReveal_.get_reveal_child()) {
      compactBar_.set_visible(false);
    }
  }));

  column_.append(layerArea_);
  column_.append(compactReveal_);
  column_.append(ribbon_);
  add_overlay(column_);

  keys_ = std::make_unique<KeyMonitor>(window, [this] { return keyState(); }, [this](KeyAction action) {
    switch (action) {
      case KeyAction::dissolve: state_.dissolve(); break;
      case KeyAction::deny:
        if (consent_ && consent_->answer(false)) state_.deny();
        break;
      case KeyAction::allow:
        if (const auto* card = state_.mode().as<AppMode::CapabilityPrompt>()) {
          if (consent_ && consent_->answer(true)) state_.allow(Expression(card->expression));
        }
        break;
      case KeyAction::focusMoved:
        if (consent_) consent_->noteFocusMoved();
        break;
      case KeyAction::none:
      case KeyAction::swallow: break;
    }
  });

  connections_.push_back(
      state_.signalModeChanged().connect([this] { applyMode(/*animate=*/true); }));
  connections_.push_back(state_.signalStatusMessagesChanged().connect(
      [this] { ribbon_.update(state_.statusMessages()); }));
  ribbon_.update(state_.statusMessages());

  promptDesktop_.set_visible(false);
  compactBar_.set_visible(false);
  compactReveal_.set_reveal_child(false);
  plan_ = LayerPlan{};
  applyMode(/*animate=*/false);
  overlays_ = std::make_unique<RootOverlays>(*this, state_, scheduler_, launch);
  connections_.push_back(overlays_->signalCoverChanged().connect([this] { coverChanged(); }));
}

ContentView::~ContentView() {
  // A revealer stopped mid-slide reports its child's change: nothing here may hear it.
  for (auto& c : connections_) c.disconnect();
  overlays_.reset();
  g_weak_ref_clear(&focusUnderCatalog_);
  // The stack holds the layers by reference; they go before it does.
  for (auto& layer : leaving_) layerArea_.remove(*layer);
  if (card_) layerArea_.remove(*card_);
  if (cell_) layerArea_.remove(*cell_);
  layerArea_.remove(promptDesktop_);
}

WindowKeyState ContentView::keyState() {
  WindowKeyState keys;
  keys.cellOpen = plan_.escapeDissolves;
  keys.capabilityCard = plan_.capabilityCard;
  keys.dnaPicker = plan_.dnaPicker;
  keys.denyFocused = capabilityCard_ != nullptr && capabilityCard_->denyButton().is_focus();
  if (consent_) {
    keys.cardCovered = consent_->covered();
    keys.focusBelowCover = windowFocus(*this) == nullptr || focusWithin(column_);
    keys.allowReady = consent_->allowReady();
    keys.focusMovedByUser = consent_->focusMovedByUser();
    keys.pressedEarly = consent_->pressedEarly(keys_->currentPress());
  }
  return keys;
}

bool ContentView::covered() const { return overlays_ && overlays_->covers(); }

void ContentView::coverChanged() {
  followCatalog();
  if (!consent_ || !card_) return;
  const bool covered = this->covered();
  cardGuard_->setCovered(covered);
  card_->set_can_target(!covered);
  card_->set_can_focus(!covered);
  // Seen at last: the card takes the keyboard as it would have on showing.
  if (!covered && cardDefault_ != nullptr && !focusWithin(*card_)) cardDefault_->grab_focus();
}

// The keyboard follows the catalog: into it as it opens, never under it
// while it shows, and back to where it was (or the prompt) as it goes. A
// card that comes up meanwhile takes it for itself.
void ContentView::followCatalog() {
  CellCatalogView* catalog = overlays_ ? overlays_->catalog() : nullptr;
  if ((catalog != nullptr) == catalogHasKeys_) return;
  catalogHasKeys_ = catalog != nullptr;
  auto* root = get_root();
  if (catalog != nullptr) {
    g_weak_ref_set(&focusUnderCatalog_, windowFocus(*this));
    // The panel itself, not its first button: a Return typed on will not
    // close it or pick an entry the user never chose. Tab moves into it.
    catalog->set_focusable(true);
    if (!catalog->grab_focus() && root != nullptr) root->unset_focus();
    coverBeneath();
    return;
  }
  coverBeneath();
  auto* before = static_cast<GtkWidget*>(g_weak_ref_get(&focusUnderCatalog_));
  g_weak_ref_set(&focusUnderCatalog_, nullptr);
  const bool back = before != nullptr && gtk_widget_is_ancestor(before, GTK_WIDGET(column_.gobj())) &&
                    gtk_widget_get_mapped(before) &&
                    // A field gets its text back as it was, not selected for the next key to replace.
                    (GTK_IS_TEXT(before) ? gtk_text_grab_focus_without_selecting(GTK_TEXT(before))
                                         : gtk_widget_grab_focus(before));
  if (before != nullptr) g_object_unref(before);
  if (!back && plan_.promptDesktop && !card_) promptDesktop_.takeFocus();
}

// What the catalog or a card covers takes nothing from anyone: no Tab or
// click lands in it, and a screen reader neither lists it nor works it,
// even through a button or field it read before. Only these widgets' own
// flags and the fields' editability are touched, so what the layers set
// stays as it was. The catalog covers the whole column, the card in it too;
// a card covers the desktop and the compact bar beside it.
void ContentView::coverBeneath() {
  const bool catalog = catalogHasKeys_;
  const bool card = card_ != nullptr;
  // An insensitive widget hears no focus-out: the keyboard leaves first.
  const auto leaves = [](bool covered, Gtk::Widget& under) { return covered && focusWithin(under); };
  if (leaves(catalog, column_) || leaves(card, promptDesktop_) || leaves(card, compactReveal_)) get_root()->unset_focus();
  column_.set_can_focus(!catalog);
  column_.set_sensitive(!catalog);
  gtk_accessible_update_state(GTK_ACCESSIBLE(column_.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, catalog ? TRUE : FALSE, -1);
  promptDesktop_.set_sensitive(!card);
  compactReveal_.set_sensitive(!card);
  gtk_accessible_update_state(GTK_ACCESSIBLE(compactReveal_.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, card ? TRUE : FALSE, -1);

  const bool covered = catalog || card;
  // A screen reader sets a field's text whether or not it is shown.
  promptDesktop_.promptField().set_editable(!covered);
  compactBar_.field().set_editable(!covered);
  if (covered == fieldsCovered_) return;
  fieldsCovered_ = covered;
  // Its caret and selection it moves even in a field that is not editable:
  // they come back as they were, nothing selected for the next key to
  // replace. The text moves only with AppState's; then the caret goes to its end.
  const auto mark = [](Gtk::Entry& field, FieldMark& saved) { saved = {field.get_text(), field.get_position()}; };
  const auto restore = [](Gtk::Entry& field, const FieldMark& saved) {
    field.set_position(field.get_text() == saved.text ? saved.caret : -1);
  };
  if (covered) {
    mark(promptDesktop_.promptField(), promptMark_);
    mark(compactBar_.field(), compactMark_);
  } else {
    restore(promptDesktop_.promptField(), promptMark_);
    restore(compactBar_.field(), compactMark_);
  }
}

std::unique_ptr<Gtk::Widget> ContentView::buildCard() {
  const std::vector<Gtk::Widget*> backdrop{&background_, &promptDesktop_};
  // Each card answers once, and only while the user can see it; its buttons
  // keep its own consent, so a leaving card's button does nothing.
  auto consent = std::make_shared<CardConsent>(scheduler_, covered(),
                                               [this] { return keys_ ? keys_->pressCount() : 0u; });
  consent_ = consent;
  if (const auto* picker = state_.mode().as<AppMode::DnaPicker>()) {
    auto* card = Gtk::make_managed<DNAPickerView>(
        picker->category,
        [this, consent](const Url& url, const std::string& provider) {
          if (consent->answer(false)) state_.pickDNA(url, provider);
        },
        [this, consent] {
          if (consent->answer(false)) state_.cancelPicker();
        });
    cardGuard_ = CardGuard::attach(*card, consent);
    if (!card->rows().empty()) {
      cardDefault_ = card->rows().front();
      focusWhenShown(*cardDefault_, consent);
    }
    return std::make_unique<CardLayer>(card, 520, 0, backdrop);
  }
  if (const auto* prompt = state_.mode().as<AppMode::CapabilityPrompt>()) {
    const Expression expression = prompt->expression;
    auto* card = Gtk::make_managed<CapabilityPromptView>(
        expression,
        [this, expression, consent] {
          if (consent->allowClicked()) state_.allow(expression);
        },
        [this, consent] {
          if (consent->answer(false)) state_.deny();
        });
    cardDefault_ = &card->allowButton();
    focusWhenShown(*cardDefault_, consent);
    cardGuard_ = CardGuard::attach(*card, consent);
    cardGuard_->guardAllow(card->allowButton());
    capabilityCard_ = card;
    return std::make_unique<CardLayer>(card, 380 + 2 * 28, 28, backdrop);
  }
  return nullptr;
}

void ContentView::applyMode(bool animate) {
  const LayerPlan next = layerPlan(state_.mode());
  const LayerPlan previous = plan_;
  plan_ = next;
  const bool cardShown = next.dnaPicker || next.capabilityCard;

  if (next.promptDesktop != previous.promptDesktop) {
    if (next.promptDesktop) {
      promptDesktop_.shown();
    } else {
      promptDesktop_.hidden();
    }
  }
  setDesktopPresent(next.promptDesktop, animate);
  // The keyboard stays on the top layer: nothing under a card is reached
  // by typing or Tab, and a leaving layer is never reached at all.
  promptDesktop_.set_can_focus(next.promptDesktop && !cardShown);
  ribbon_.set_can_focus(!cardShown);
  // Nor does a screen reader wander under a card.
  gtk_accessible_update_state(GTK_ACCESSIBLE(promptDesktop_.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN,
                              cardShown ? TRUE : FALSE, -1);

  // Every change of mode brings a new card or cell of its own.
  capabilityCard_ = nullptr;
  cardDefault_ = nullptr;
  consent_.reset();
  cardGuard_.reset();
  retire(std::move(card_), animate);
  // A leaving cell stops at once; only its look stays for the fade.
  if (cell_) cell_->dissolving();
  retire(std::move(cell_), animate);
  if (cardShown) {
    card_ = buildCard();
    if (consent_->covered()) {
      card_->set_can_target(false);
      card_->set_can_focus(false);
    }
    // While the card is read, the cell it offers gets ready.
    if (const auto* prompt = state_.mode().as<AppMode::CapabilityPrompt>()) prepareCellLayer(prompt->expression);
    styleLayer(*card_, "card-layer");
    layerArea_.add(*card_, kCardEntryScale, animate);
  }
  // Once the card has taken the keyboard from under it.
  coverBeneath();
  if (const auto* open = state_.mode().as<AppMode::Expressing>()) {
    const unsigned generation = ++cellGeneration_;
    // A close that fires after its cell was replaced must not dissolve the next one.
    auto dismiss = [this, generation, alive = std::weak_ptr<bool>(alive_)] {
      if (alive.expired() || generation != cellGeneration_ || !state_.mode().isExpressing()) return;
      state_.dissolve();
    };
    cell_ = buildCellLayer(open->expression, state_, scheduler_, dismiss);
    styleLayer(*cell_, "cell-layer");
    layerArea_.add(*cell_, kCellEntryScale, animate);
  }
  setCompactBarPresent(next.compactBar, animate);
  // Back on the bare desktop, whatever was typed waits in the prompt field.
  if (next.promptDesktop && !cardShown && next != previous) promptDesktop_.takeFocus();
}

void ContentView::retire(std::unique_ptr<Gtk::Widget> layer, bool animate) {
  if (!layer) return;
  // The keyboard leaves it now, for what the new mode gives it to.
  startLeaving(*layer);
  if (!animate) {
    layerArea_.remove(*layer);
    return;
  }
  layerArea_.fade(*layer, false, true);
  Gtk::Widget* raw = layer.get();
  leaving_.push_back(std::move(layer));
  scheduler_.schedule(Scheduler::Duration{kModeAnimationMs},
                      [this, raw, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    const auto it = std::find_if(leaving_.begin(), leaving_.end(),
                                 [raw](const auto& l) { return l.get() == raw; });
    if (it == leaving_.end()) return;
    layerArea_.remove(**it);
    leaving_.erase(it);
  });
}

void ContentView::setDesktopPresent(bool present, bool animate) {
  const unsigned generation = ++desktopGeneration_;
  if (present) {
    if (!promptDesktop_.get_visible()) {
      layerArea_.fade(promptDesktop_, false, false);
      promptDesktop_.set_visible(true);
    }
    promptDesktop_.set_can_target(true);
    layerArea_.fade(promptDesktop_, true, animate);
    return;
  }
  if (!promptDesktop_.get_visible()) return;
  promptDesktop_.set_can_target(false);
  layerArea_.fade(promptDesktop_, false, animate);
  if (!animate) {
    promptDesktop_.set_visible(false);
    return;
  }
  scheduler_.schedule(Scheduler::Duration{kModeAnimationMs},
                      [this, generation, alive = std::weak_ptr<bool>(alive_)] {
    if (alive.expired()) return;
    if (desktopGeneration_ == generation) promptDesktop_.set_visible(false);
  });
}

void ContentView::setCompactBarPresent(bool present, bool animate) {
  if (present) {
    compactBar_.set_visible(true);
    compactReveal_.set_transition_duration(animate ? kModeAnimationMs : 0);
    compactReveal_.set_reveal_child(true);
    compactFade_.to(1, animate);
    return;
  }
  if (!compactBar_.get_visible()) return;
  compactReveal_.set_transition_duration(animate ? kModeAnimationMs : 0);
  compactReveal_.set_reveal_child(false);
  compactFade_.to(0, animate);
}

}  // namespace kivari
