#include "Ui/CellFrame.h"

#include "Ui/ImageBudget.h"
#include "Ui/MembraneBreath.h"
#include "Ui/Widgets.h"

#include <cmath>
#include <exception>

namespace kivari {

namespace {

GdkRGBA toGdk(const Rgba& c) {
  return GdkRGBA{static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                 static_cast<float>(c.a)};
}

double lerp(double from, double to, double t) { return from + (to - from) * t; }

// How often the breath looks whether a strip is due for its next step.
constexpr Scheduler::Duration kBreathFrame{66};

}  // namespace

CellHeader::CellHeader(const std::string& icon, const Rgba& iconColor, const std::string& title,
                       const std::string& detail, std::function<void()> onDismiss)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, 8) {
  add_css_class("cell-header");
  auto* symbol = makeSymbol(icon);
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("image { color: " + iconColor.css() + "; }");
  symbol->get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  append(*symbol);
  // The title row is one line; a timer's label or a game's name may be
  // any length and is cut off where it ends.
  auto* titleLabel = Gtk::make_managed<Gtk::Label>();
  showUserLine(*titleLabel, title);
  titleLabel->add_css_class("cell-title");
  titleLabel->set_xalign(0);
  titleLabel->set_hexpand(true);
  append(*titleLabel);
  auto* tag = Gtk::make_managed<Gtk::Label>();
  showUserLine(*tag, detail);
  tag->add_css_class("cell-tag");
  append(*tag);
  close_.set_child(*makeSymbol("xmark.circle.fill"));
  close_.add_css_class("cell-close");
  close_.set_tooltip_text("Dissolve (Esc)");
  close_.set_focus_on_click(false);
  setAccessibleLabel(close_, "Dissolve");
  close_.signal_clicked().connect([onDismiss = std::move(onDismiss)] { onDismiss(); });
  append(close_);
}

CellMembrane::CellMembrane(Gtk::Widget& content, Scheduler& scheduler, bool isActive)
    : content_(content), scheduler_(scheduler), isActive_(isActive) {
  add_css_class("cell-membrane");
  set_overflow(Gtk::Overflow::VISIBLE);
  content_.set_parent(*this);
  signal_map().connect([this] {
    shownAt_ = std::chrono::steady_clock::now();
    level_ = 0;
    if (isActive_ && token_ == 0) token_ = scheduler_.schedule(kBreathFrame, [this] { step(); });
  });
  signal_unmap().connect([this] {
    if (token_ != 0) scheduler_.cancel(token_);
    token_ = 0;
  });
}

CellMembrane::~CellMembrane() {
  if (token_ != 0) scheduler_.cancel(token_);
  content_.unparent();
}

void CellMembrane::step() {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - shownAt_).count();
  level_ = breathLevel(seconds);
  // One strip a frame: a frame repaints the box around all it changes, and
  // around all four strips that box is the whole cell.
  const int target = targetStep();
  for (std::size_t k = 0; pendingStrip_ < 0 && k < strips_.size(); ++k) {
    const std::size_t i = (nextStrip_ + k) % strips_.size();
    if (strips_[i].step == target) continue;
    pendingStrip_ = static_cast<int>(i);
    nextStrip_ = i + 1;
    queue_draw();
  }
  token_ = scheduler_.schedule(kBreathFrame, [this] { step(); });
}

int CellMembrane::targetStep() const {
  return isActive_ ? static_cast<int>(std::lround(level_ * kBreathSteps)) : 0;
}

namespace {

// The glow and the edge at one point of the breath, 0 (rest) to 1 (full).
GskRenderNode* chromeNode(const GskRoundedRect& outline, double t) {
  const GdkRGBA glow = toGdk(palette::cyan.withAlpha(lerp(0.05, 0.15, t)));
  GskRenderNode* shadow = gsk_outset_shadow_node_new(&outline, &glow, 0, 8, 0,
                                                     static_cast<float>(lerp(20, 40, t)));
  // The edge: a 1.5 point line inside the outline, its gradient running from
  // the top-left corner to the bottom-right one.
  GskRenderNode* edge = gsk_cairo_node_new(&outline.bounds);
  cairo_t* cr = gsk_cairo_node_get_draw_context(edge);
  const double w = outline.bounds.size.width, h = outline.bounds.size.height;
  const double inset = 0.75, radius = CellMembrane::kCornerRadius - inset;
  cairo_new_sub_path(cr);
  cairo_arc(cr, w - inset - radius, inset + radius, radius, -M_PI / 2, 0);
  cairo_arc(cr, w - inset - radius, h - inset - radius, radius, 0, M_PI / 2);
  cairo_arc(cr, inset + radius, h - inset - radius, radius, M_PI / 2, M_PI);
  cairo_arc(cr, inset + radius, inset + radius, radius, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
  cairo_pattern_t* gradient = cairo_pattern_create_linear(0, 0, w, h);
  const std::pair<double, Rgba> stops[] = {
      {0.0, palette::white.withAlpha(lerp(0.08, 0.15, t))},
      {0.5, palette::cyan.withAlpha(lerp(0.04, 0.12, t))},
      {1.0, palette::white.withAlpha(lerp(0.06, 0.10, t))}};
  for (const auto& [offset, c] : stops) cairo_pattern_add_color_stop_rgba(gradient, offset, c.r, c.g, c.b, c.a);
  cairo_set_source(cr, gradient);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  cairo_pattern_destroy(gradient);
  cairo_destroy(cr);
  GskRenderNode* both[2] = {shadow, edge};
  GskRenderNode* node = gsk_container_node_new(both, 2);
  gsk_render_node_unref(shadow);
  gsk_render_node_unref(edge);
  return node;
}

// A texture's pixels in a surface cairo paints without converting them again.
Cairo::RefPtr<Cairo::ImageSurface> toSurface(GdkTexture* texture, int scale) {
  const int width = gdk_texture_get_width(texture), height = gdk_texture_get_height(texture);
  auto surface = Cairo::ImageSurface::create(Cairo::Surface::Format::ARGB32, width, height);
  surface->flush();
  gdk_texture_download(texture, surface->get_data(), static_cast<gsize>(surface->get_stride()));
  surface->mark_dirty();
  cairo_surface_set_device_scale(surface->cobj(), scale, scale);
  return surface;
}

}  // namespace

void CellMembrane::buildChrome(int width, int height) {
  const int scale = get_scale_factor();
  if (width == chromeWidth_ && height == chromeHeight_ && scale == chromeScale_ &&
      (!strips_.empty() || chromeRefused_)) {
    return;
  }
  strips_.clear();
  chromeRefused_ = false;
  pendingStrip_ = -1;
  chromeWidth_ = width;
  chromeHeight_ = height;
  chromeScale_ = scale;
  auto* native = get_native();
  GskRenderer* renderer = native != nullptr ? gtk_native_get_renderer(native->gobj()) : nullptr;
  if (renderer == nullptr) return;

  GskRoundedRect outline;
  const graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
  gsk_rounded_rect_init_from_rect(&outline, &bounds, kCornerRadius);
  // The drop shadow never changes; it goes into the strips' base layer.
  const GdkRGBA black = toGdk(palette::black.withAlpha(0.4));
  GskRenderNode* phases[3] = {gsk_outset_shadow_node_new(&outline, &black, 0, 12, 0, 30),
                              chromeNode(outline, 0), chromeNode(outline, 1)};
  graphene_rect_t outer = GRAPHENE_RECT_INIT(0, 0, 0, 0);
  for (GskRenderNode* phase : phases) {
    graphene_rect_t extent;
    gsk_render_node_get_bounds(phase, &extent);
    graphene_rect_union(&outer, &extent, &outer);
  }
  graphene_rect_round_extents(&outer, &outer);

  // Four strips hold all that lies on or outside the outline: the shadow,
  // the glow, and the edge with its rounded corners just inside it.
  const float in = kCornerRadius + 2;
  const float x0 = outer.origin.x, y0 = outer.origin.y;
  const float x1 = x0 + outer.size.width, y1 = y0 + outer.size.height;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  std::vector<graphene_rect_t> rects;
  if (w <= 2 * in || h <= 2 * in) {
    rects.push_back(outer);
  } else {
    rects.push_back(GRAPHENE_RECT_INIT(x0, y0, x1 - x0, in - y0));
    rects.push_back(GRAPHENE_RECT_INIT(x0, h - in, x1 - x0, y1 - (h - in)));
    rects.push_back(GRAPHENE_RECT_INIT(x0, in, in - x0, h - 2 * in));
    rects.push_back(GRAPHENE_RECT_INIT(w - in, in, x1 - (w - in), h - 2 * in));
  }
  // A cell too large for its strips to be made goes without its edge and glow.
  std::vector<ImageSize> images;
  for (const graphene_rect_t& rect : rects) images.insert(images.end(), 3, ImageSize{rect.size.width, rect.size.height});
  if (!imagesFit(images, scale)) {
    for (GskRenderNode* phase : phases) gsk_render_node_unref(phase);
    chromeRefused_ = true;
    return;
  }
  for (const graphene_rect_t& rect : rects) {
    Strip strip{rect, {}, {}, {}, nullptr, -1};
    Cairo::RefPtr<Cairo::ImageSurface>* targets[3] = {&strip.base, &strip.rest, &strip.full};
    for (int phase = 0; phase < 3; ++phase) {
      // Drawn at the display's scale, so the strips stay sharp.
      const graphene_point_t offset = GRAPHENE_POINT_INIT(-rect.origin.x * scale, -rect.origin.y * scale);
      GskTransform* transform = gsk_transform_scale(gsk_transform_translate(nullptr, &offset),
                                                    static_cast<float>(scale), static_cast<float>(scale));
      GskRenderNode* placed = gsk_transform_node_new(phases[phase], transform);
      gsk_transform_unref(transform);
      const graphene_rect_t viewport =
          GRAPHENE_RECT_INIT(0, 0, rect.size.width * scale, rect.size.height * scale);
      GdkTexture* texture = gsk_renderer_render_texture(renderer, placed, &viewport);
      try {
        *targets[phase] = toSurface(texture, scale);
      } catch (...) {
        g_object_unref(texture);
        gsk_render_node_unref(placed);
        for (GskRenderNode* p : phases) gsk_render_node_unref(p);
        chromeRefused_ = true;
        throw;
      }
      g_object_unref(texture);
      gsk_render_node_unref(placed);
    }
    strips_.push_back(std::move(strip));
  }
  for (GskRenderNode* phase : phases) gsk_render_node_unref(phase);
}

Gtk::SizeRequestMode CellMembrane::get_request_mode_vfunc() const {
  return content_.get_request_mode();
}

void CellMembrane::measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum,
                                 int& natural, int& minimumBaseline, int& naturalBaseline) const {
  content_.measure(orientation, forSize, minimum, natural, minimumBaseline, naturalBaseline);
}

void CellMembrane::size_allocate_vfunc(int width, int height, int baseline) {
  content_.size_allocate(Gtk::Allocation(0, 0, width, height), baseline);
}

void CellMembrane::drawStrip(Strip& strip, int step) const {
  const double t = static_cast<double>(step) / kBreathSteps;
  GskRenderNode* node = gsk_cairo_node_new(&strip.bounds);
  cairo_t* cr = gsk_cairo_node_get_draw_context(node);
  const std::pair<cairo_surface_t*, double> layers[3] = {
      {strip.base->cobj(), 1}, {strip.rest->cobj(), 1 - t}, {strip.full->cobj(), t}};
  for (const auto& [surface, opacity] : layers) {
    if (opacity <= 0) continue;
    cairo_set_source_surface(cr, surface, strip.bounds.origin.x, strip.bounds.origin.y);
    cairo_paint_with_alpha(cr, opacity);
  }
  cairo_destroy(cr);
  strip.node.reset(node);
  strip.step = step;
}

void CellMembrane::snapshot_vfunc(const Glib::RefPtr<Gtk::Snapshot>& snapshot) {
  GtkSnapshot* s = snapshot->gobj();
  const int width = get_width(), height = get_height();
  GskRoundedRect outline;
  const graphene_rect_t bounds =
      GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
  gsk_rounded_rect_init_from_rect(&outline, &bounds, kCornerRadius);
  try {
    buildChrome(width, height);
  } catch (const std::exception& error) {
    // Nothing may leave a draw: the cell is shown without its edge and glow.
    g_warning("cell frame not drawn at %d x %d: %s", width, height, error.what());
    strips_.clear();
    chromeRefused_ = true;
  }

  // Translucent body, and the content clipped to the rounded outline.
  gtk_snapshot_push_rounded_clip(s, &outline);
  const GdkRGBA body{0.09f, 0.09f, 0.13f, 0.72f};
  gtk_snapshot_append_color(s, &body, &bounds);
  snapshot_child(content_, snapshot);
  gtk_snapshot_pop(s);

  // The shadow and the glow lie outside the outline and the edge on it, so
  // all go on top of the content.
  for (std::size_t i = 0; i < strips_.size(); ++i) {
    Strip& strip = strips_[i];
    if (!strip.node || static_cast<int>(i) == pendingStrip_) drawStrip(strip, targetStep());
    gtk_snapshot_append_node(s, strip.node.get());
  }
  pendingStrip_ = -1;
}

}  // namespace kivari
