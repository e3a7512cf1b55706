#pragma once

namespace kivari {

// A cell view that holds more than its widgets (a web process, a sound)
// lets it go here, the moment its cell starts to dissolve.
class DissolvingCell {
 public:
  virtual void cellDissolving() = 0;

 protected:
  ~DissolvingCell() = default;
};

}  // namespace kivari
