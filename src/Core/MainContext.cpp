#include "Core/MainContext.h"

namespace kivari {

void postToContext(GMainContext* context, std::function<void()> task) {
  GSource* source = g_idle_source_new();
  g_source_set_callback(
      source,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      new std::function<void()>(std::move(task)),
      [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
  GMainContext* target = context != nullptr ? g_main_context_ref(context)
                                            : g_main_context_ref_thread_default();
  g_source_attach(source, target);
  g_main_context_unref(target);
  g_source_unref(source);
}

}  // namespace kivari
