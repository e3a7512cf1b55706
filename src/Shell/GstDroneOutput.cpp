#include "Shell/GstDroneOutput.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <cstring>
#include <thread>

namespace kivari {

namespace {

// About 23 ms a buffer, so a volume step is heard within a few buffers.
constexpr std::size_t kChunkFrames = 1024;

// What the streaming thread reads to keep the loop going; owned by appsrc.
struct Feed {
  std::shared_ptr<const std::vector<float>> samples;
  GstMemory* memory = nullptr;
  std::size_t position = 0;  // frame within the loop
  guint64 framesPushed = 0;
};

void pushChunk(GstAppSrc* source, guint, gpointer data) {
  auto* feed = static_cast<Feed*>(data);
  const std::size_t total = feed->samples->size();
  const std::size_t frames = std::min(kChunkFrames, total - feed->position);
  GstBuffer* buffer = gst_buffer_new();
  gst_buffer_append_memory(buffer, gst_memory_share(feed->memory,
                                                    static_cast<gssize>(feed->position * sizeof(float)),
                                                    static_cast<gssize>(frames * sizeof(float))));
  GST_BUFFER_PTS(buffer) = gst_util_uint64_scale(feed->framesPushed, GST_SECOND, drone::kSampleRate);
  GST_BUFFER_DURATION(buffer) = gst_util_uint64_scale(frames, GST_SECOND, drone::kSampleRate);
  feed->framesPushed += frames;
  feed->position = (feed->position + frames) % total;
  gst_app_src_push_buffer(source, buffer);
}

void freeFeed(gpointer data) {
  auto* feed = static_cast<Feed*>(data);
  gst_memory_unref(feed->memory);
  delete feed;
}

// autoaudiosink falls back to a fake sink when no real output opens.
bool hasRealSink(GstElement* autoSink) {
  bool real = false;
  GstIterator* it = gst_bin_iterate_elements(GST_BIN(autoSink));
  GValue item = G_VALUE_INIT;
  while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
    auto* element = GST_ELEMENT(g_value_get_object(&item));
    GstElementFactory* factory = gst_element_get_factory(element);
    if (factory != nullptr && std::strcmp(GST_OBJECT_NAME(factory), "fakesink") != 0) real = true;
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(it);
  return real;
}

class GstDroneOutput final : public DroneOutput {
 public:
  GstDroneOutput(GstElement* pipeline, GstElement* volume) : pipeline_(pipeline), volume_(volume) {
    GstBus* bus = gst_element_get_bus(pipeline_);
    watch_ = gst_bus_add_watch(bus, &GstDroneOutput::onBusMessage, this);
    gst_object_unref(bus);
  }
  ~GstDroneOutput() override { stop(); }

  float volume() const override { return level_; }

  void setVolume(float volume) override {
    level_ = volume;
    if (volume_ != nullptr) g_object_set(volume_, "volume", static_cast<double>(volume), nullptr);
  }

  void stop() override {
    if (pipeline_ == nullptr) return;
    if (watch_ != 0) g_source_remove(watch_);
    watch_ = 0;
    // Going to NULL waits on the sound server (the sink corks and closes its
    // stream), for up to half a minute a step when the server has stopped
    // answering: a thread of its own does it.
    std::thread([pipeline = pipeline_, volume = volume_, work = SoundWork()] {
      gst_element_set_state(pipeline, GST_STATE_NULL);
      gst_object_unref(volume);
      gst_object_unref(pipeline);
    }).detach();
    volume_ = nullptr;
    pipeline_ = nullptr;
  }

 private:
  // A device that goes away mid-loop just ends the sound.
  static gboolean onBusMessage(GstBus*, GstMessage* message, gpointer data) {
    auto* self = static_cast<GstDroneOutput*>(data);
    if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
      self->watch_ = 0;
      self->stop();
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }

  GstElement* pipeline_;
  GstElement* volume_;
  guint watch_ = 0;
  float level_ = 0;
};

GstElement* make(const char* factory) { return gst_element_factory_make(factory, nullptr); }

}  // namespace

std::shared_ptr<DroneOutput> makeGstDroneOutput(std::shared_ptr<const std::vector<float>> samples) {
  if (!samples || samples->empty() || !gst_init_check(nullptr, nullptr, nullptr)) return nullptr;

  GstElement* pipeline = gst_pipeline_new("kivari-drone");
  GstElement* source = make("appsrc");
  GstElement* convert = make("audioconvert");
  GstElement* volume = make("volume");
  GstElement* sink = make("autoaudiosink");
  if (source == nullptr || convert == nullptr || volume == nullptr || sink == nullptr) {
    for (GstElement* e : {source, convert, volume, sink}) {
      if (e != nullptr) gst_object_unref(gst_object_ref_sink(e));
    }
    gst_object_unref(pipeline);
    return nullptr;
  }
  gst_bin_add_many(GST_BIN(pipeline), source, convert, volume, sink, nullptr);
  if (!gst_element_link_many(source, convert, volume, sink, nullptr)) {
    gst_object_unref(pipeline);
    return nullptr;
  }
  g_object_set(volume, "volume", 0.0, nullptr);

  GstCaps* caps = gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "F32LE", "rate", G_TYPE_INT,
                                      drone::kSampleRate, "channels", G_TYPE_INT, 1, "layout", G_TYPE_STRING,
                                      "interleaved", nullptr);
  g_object_set(source, "caps", caps, "format", GST_FORMAT_TIME, "max-bytes",
               static_cast<guint64>(4 * kChunkFrames * sizeof(float)), nullptr);
  gst_caps_unref(caps);

  auto* feed = new Feed{samples, nullptr, 0, 0};
  const auto bytes = samples->size() * sizeof(float);
  // The memory keeps its own hold on the samples for as long as a buffer uses them.
  feed->memory = gst_memory_new_wrapped(
      GST_MEMORY_FLAG_READONLY, const_cast<float*>(samples->data()), bytes, 0, bytes,
      new std::shared_ptr<const std::vector<float>>(samples),
      [](gpointer hold) { delete static_cast<std::shared_ptr<const std::vector<float>>*>(hold); });
  GstAppSrcCallbacks callbacks{};
  callbacks.need_data = &pushChunk;
  gst_app_src_set_callbacks(GST_APP_SRC(source), &callbacks, feed, &freeFeed);

  // READY picks the sink; with no device that is the fake one, and then we stay silent.
  if (gst_element_set_state(pipeline, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE || !hasRealSink(sink) ||
      gst_element_set_state(pipeline, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return nullptr;
  }
  return std::make_shared<GstDroneOutput>(pipeline, GST_ELEMENT(gst_object_ref(volume)));
}

}  // namespace kivari
