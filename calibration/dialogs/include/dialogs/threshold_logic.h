// The threshold dialog's stepping through the channels: which of "Next >" and
// "Done" is offered, the index after Next and Previous, and the label text.
#pragma once

#include <string>

namespace meridan::dialogs {

class ThresholdSteps {
  public:
    explicit ThresholdSteps(int count) : n_(count < 1 ? 1 : count) {}
    int Count() const { return n_; }
    int Index() const { return k_; }
    // "Next >" is offered before the last channel, "Done" on it.
    bool NextOffered() const { return k_ < n_ - 1; }
    bool DoneOffered() const { return !NextOffered(); }
    int NextIndex() const { return k_ + 1 < n_ ? k_ + 1 : n_ - 1; }
    int PreviousIndex() const { return k_ > 0 ? k_ - 1 : 0; }
    void Go(int k) { k_ = k; }

  private:
    int n_;
    int k_ = 0;
};

// "Image Sharpness : %d".
std::string SharpnessText(int threshold);

}  // namespace meridan::dialogs
