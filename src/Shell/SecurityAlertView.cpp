#include "Shell/SecurityAlertView.h"

#include "Ui/Icons.h"
#include "Ui/OverlayStyle.h"
#include "Ui/Palette.h"
#include "Ui/Widgets.h"

#include <chrono>
#include <cmath>

namespace kivari {

namespace {

constexpr Scheduler::Duration kSlideTime{400};
// How often the pulse looks whether its next step is due.
constexpr Scheduler::Duration kPulseFrame{50};
constexpr float kCornerRadius = 12;

struct Glow {
  Rgba color;
  double opacity;
  float radius;
};
// The shadow at rest and at full strength, 4 points down.
constexpr Glow kRest{palette::red, 0.15, 10};
constexpr Glow kFull{palette::red, 0.6, 30};

GskRenderNode* glowNode(const graphene_rect_t& box, const Rgba& color, const Glow& glow) {
  GskRoundedRect outline;
  gsk_rounded_rect_init_from_rect(&outline, &box, kCornerRadius);
  const Rgba c = color.withAlpha(glow.opacity);
  const GdkRGBA rgba{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                     static_cast<float>(c.a)};
  return gsk_outset_shadow_node_new(&outline, &rgba, 0, 4, 0, glow.radius);
}

// `node`, drawn by `renderer` over `area` at `scale`, as a surface cairo
// paints without converting it again.
Cairo::RefPtr<Cairo::ImageSurface> drawOnce(GskRenderer* renderer, GskRenderNode* node, const graphene_rect_t& area,
                                            int scale) {
  const graphene_point_t offset = GRAPHENE_POINT_INIT(-area.origin.x * scale, -area.origin.y * scale);
  GskTransform* transform = gsk_transform_scale(gsk_transform_translate(nullptr, &offset),
                                                static_cast<float>(scale), static_cast<float>(scale));
  GskRenderNode* placed = gsk_transform_node_new(node, transform);
  gsk_transform_unref(transform);
  const graphene_rect_t viewport = GRAPHENE_RECT_INIT(0, 0, area.size.width * scale, area.size.height * scale);
  GdkTexture* texture = gsk_renderer_render_texture(renderer, placed, &viewport);
  gsk_render_node_unref(placed);
  auto surface = Cairo::ImageSurface::create(Cairo::Surface::Format::ARGB32, gdk_texture_get_width(texture),
                                             gdk_texture_get_height(texture));
  surface->flush();
  gdk_texture_download(texture, surface->get_data(), static_cast<gsize>(surface->get_stride()));
  surface->mark_dirty();
  g_object_unref(texture);
  cairo_surface_set_device_scale(surface->cobj(), scale, scale);
  return surface;
}

}  // namespace

NoticeBanner::NoticeBanner(Scheduler& scheduler) : Gtk::Box(Gtk::Orientation::HORIZONTAL, 10), scheduler_(scheduler) {
  set_overflow(Gtk::Overflow::VISIBLE);
  signal_unmap().connect([this] { stopPulse(); });
}

NoticeBanner::~NoticeBanner() { stopPulse(); }

void NoticeBanner::stopPulse() {
  if (token_ != 0) scheduler_.cancel(token_);
  token_ = 0;
  pulseTicks_ = -1;
  step_ = 0;
}

void NoticeBanner::setGlow(AlertPhase phase, bool pulsing) {
  if (phase != AlertPhase::hidden) glowPhase_ = phase;  // leaving, it keeps its last look
  if (pulsing && pulseTicks_ < 0) {
    pulseTicks_ = 0;
    token_ = scheduler_.schedule(kPulseFrame, [this] { pulse(); });
  } else if (!pulsing) {
    stopPulse();
  }
  queue_draw();
}

void NoticeBanner::pulse() {
  ++pulseTicks_;
  const double seconds = pulseTicks_ * std::chrono::duration<double>(kPulseFrame).count();
  const int step = static_cast<int>(std::lround(alertGlowLevel(seconds) * kGlowSteps));
  if (step != step_) {
    step_ = step;
    queue_draw();
  }
  token_ = scheduler_.schedule(kPulseFrame, [this] { pulse(); });
}

void NoticeBanner::buildLevels(const graphene_rect_t& box) {
  const int scale = get_scale_factor();
  if (graphene_rect_equal(&box, &levelBox_) && scale == levelScale_ && glowPhase_ == levelPhase_ && rest_) return;
  levelBox_ = box;
  levelScale_ = scale;
  levelPhase_ = glowPhase_;
  rest_.reset();
  full_.reset();
  node_.reset();
  auto* native = get_native();
  GskRenderer* renderer = native != nullptr ? gtk_native_get_renderer(native->gobj()) : nullptr;
  if (renderer == nullptr || glowPhase_ == AlertPhase::hidden) return;
  const bool threat = glowPhase_ == AlertPhase::threat;
  const Rgba& color = threat ? palette::red : palette::green;
  GskRenderNode* rest = glowNode(box, color, kRest);
  GskRenderNode* full = threat ? glowNode(box, color, kFull) : nullptr;
  gsk_render_node_get_bounds(full != nullptr ? full : rest, &levelBounds_);
  graphene_rect_round_extents(&levelBounds_, &levelBounds_);
  rest_ = drawOnce(renderer, rest, levelBounds_, scale);
  if (full != nullptr) full_ = drawOnce(renderer, full, levelBounds_, scale);
  gsk_render_node_unref(rest);
  if (full != nullptr) gsk_render_node_unref(full);
}

void NoticeBanner::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
  graphene_rect_t box;
  if (gtk_widget_compute_bounds(GTK_WIDGET(gobj()), GTK_WIDGET(gobj()), &box)) {
    buildLevels(box);
    if (rest_) {
      const int step = full_ ? step_ : 0;
      if (!node_ || step != nodeStep_) {
        const double t = static_cast<double>(step) / kGlowSteps;
        GskRenderNode* node = gsk_cairo_node_new(&levelBounds_);
        cairo_t* cr = gsk_cairo_node_get_draw_context(node);
        const std::pair<cairo_surface_t*, double> levels[2] = {{rest_->cobj(), 1 - t},
                                                               {full_ ? full_->cobj() : nullptr, t}};
        for (const auto& [surface, opacity] : levels) {
          if (surface == nullptr || opacity <= 0) continue;
          cairo_set_source_surface(cr, surface, levelBounds_.origin.x, levelBounds_.origin.y);
          cairo_paint_with_alpha(cr, opacity);
        }
        cairo_destroy(cr);
        node_.reset(node);
        nodeStep_ = step;
      }
      gtk_snapshot_append_node(snapshot->gobj(), node_.get());
    }
  }
  Gtk::Box::snapshot_vfunc(snapshot);
}

SecurityAlertView::SecurityAlertView(Scheduler& scheduler, UniformRandom random)
    : Gtk::Box(Gtk::Orientation::VERTICAL), loop_(scheduler, random), steps_(scheduler), banner_(scheduler) {
  installOverlayStyle();
  readAsGroup(*this);
  set_can_target(false);
  set_can_focus(false);
  set_valign(Gtk::Align::START);
  set_hexpand(true);

  banner_.add_css_class("security-banner");
  banner_.add_css_class("away");
  banner_.set_margin_start(40);
  banner_.set_margin_end(40);
  banner_.set_margin_top(20);
  banner_.set_visible(false);
  hideFromAssistiveTechnology(icon_);
  banner_.append(icon_);
  title_.add_css_class("alert-title");
  title_.set_xalign(0);
  subtitle_.add_css_class("alert-subtitle");
  subtitle_.set_xalign(0);
  subtitle_.set_text("OS secured by Norton Antivirus MCP layer");
  texts_.append(title_);
  texts_.append(subtitle_);
  texts_.set_valign(Gtk::Align::CENTER);
  banner_.append(texts_);
  append(banner_);

  changed_ = loop_.signalChanged().connect(sigc::mem_fun(*this, &SecurityAlertView::update));
  signal_map().connect([this] { loop_.start(); });
  signal_unmap().connect([this] { loop_.stop(); });
}

SecurityAlertView::~SecurityAlertView() { changed_.disconnect(); }

void SecurityAlertView::update() {
  const AlertPhase phase = loop_.phase();
  banner_.setGlow(phase, loop_.pulseGlow());
  if (phase == shown_) return;
  const AlertPhase previous = shown_;
  shown_ = phase;
  if (phase == AlertPhase::hidden) {
    // Slides away showing what it last said, then stops drawing.
    banner_.add_css_class("away");
    steps_.schedule(kSlideTime, [this] {
      if (shown_ == AlertPhase::hidden) banner_.set_visible(false);
    });
    return;
  }
  const bool threat = phase == AlertPhase::threat;
  banner_.remove_css_class(threat ? "secured" : "threat");
  banner_.add_css_class(threat ? "threat" : "secured");
  icon_.set_from_icon_name(iconNameForSymbol(threat ? "exclamationmark.shield.fill" : "checkmark.shield.fill"));
  title_.set_text(threat ? "⚠ Prompt injection attack on OS detected" : "✓ All safe");
  subtitle_.set_visible(threat);
  if (previous == AlertPhase::hidden) {
    banner_.set_visible(true);
    enterFrom(banner_, "away", [this] { return shown_ != AlertPhase::hidden; });
  }
}

}  // namespace kivari
