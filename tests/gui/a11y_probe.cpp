// Reads what a running program shows, through the accessibility bus, the way
// a screen reader would: for each alert window of the process given, its
// name, the text of its labels and where its buttons are on the screen.
//   a11y_probe PID
// prints "alert\tNAME", "label\tTEXT" and "button\tNAME\tX\tY" (the
// button's centre) lines, and "window\tROLE\tNAME" for its other windows.
// Exits 1 while the process has not registered with the bus yet.
#include <atspi/atspi.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

static std::string Name(AtspiAccessible *object) {
  gchar *name = atspi_accessible_get_name(object, nullptr);
  std::string text = name != nullptr ? name : "";
  g_free(name);
  return text;
}

static bool Showing(AtspiAccessible *object) {
  AtspiStateSet *states = atspi_accessible_get_state_set(object);
  bool showing = states != nullptr && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
  if (states != nullptr) g_object_unref(states);
  return showing;
}

static void PrintContents(AtspiAccessible *object, int depth) {
  int count = atspi_accessible_get_child_count(object, nullptr);
  for (int i = 0; i < count; i++) {
    AtspiAccessible *child = atspi_accessible_get_child_at_index(object, i, nullptr);
    if (child == nullptr) continue;
    if (Showing(child)) {
      AtspiRole role = atspi_accessible_get_role(child, nullptr);
      if (role == ATSPI_ROLE_LABEL && !Name(child).empty()) {
        printf("label\t%s\n", Name(child).c_str());
      } else if (role == ATSPI_ROLE_PUSH_BUTTON) {
        AtspiComponent *component = atspi_accessible_get_component_iface(child);
        AtspiRect *box = component ? atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr) : nullptr;
        if (box != nullptr) {
          printf("button\t%s\t%d\t%d\n", Name(child).c_str(), box->x + box->width / 2, box->y + box->height / 2);
          g_free(box);
        }
        if (component != nullptr) g_object_unref(component);
      }
      if (depth < 12) PrintContents(child, depth + 1);
    }
    g_object_unref(child);
  }
}

int main(int argc, char **argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: a11y_probe PID\n");
    return 2;
  }
  guint pid = (guint)strtoul(argv[1], nullptr, 10);
  if (atspi_init() < 0) return 1;
  atspi_set_timeout(2000, 2000);  // a stuck program fails the caller's poll, never hangs it

  bool found = false;
  AtspiAccessible *desktop = atspi_get_desktop(0);
  int apps = atspi_accessible_get_child_count(desktop, nullptr);
  for (int a = 0; a < apps; a++) {
    AtspiAccessible *app = atspi_accessible_get_child_at_index(desktop, a, nullptr);
    if (app == nullptr) continue;
    if (atspi_accessible_get_process_id(app, nullptr) == pid) {
      found = true;
      int windows = atspi_accessible_get_child_count(app, nullptr);
      for (int w = 0; w < windows; w++) {
        AtspiAccessible *window = atspi_accessible_get_child_at_index(app, w, nullptr);
        if (window == nullptr) continue;
        if (Showing(window)) {
          gchar *role = atspi_accessible_get_role_name(window, nullptr);
          if (atspi_accessible_get_role(window, nullptr) == ATSPI_ROLE_ALERT) {
            printf("alert\t%s\n", Name(window).c_str());
            PrintContents(window, 0);
          } else {
            printf("window\t%s\t%s\n", role != nullptr ? role : "", Name(window).c_str());
          }
          g_free(role);
        }
        g_object_unref(window);
      }
    }
    g_object_unref(app);
  }
  g_object_unref(desktop);
  fflush(stdout);
  return found ? 0 : 1;
}
