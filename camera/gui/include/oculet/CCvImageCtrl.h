// A view of a picture produced on demand (the thresholded difference of the threshold dialog).
//
// Run() starts a worker thread that asks the producer for the picture, scales it to the
// control, shows it and calls the done callback. Both callbacks run on the worker thread;
// the owner guards the data they share with its own lock.
#pragma once

#include <QImage>
#include <QWidget>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include <opencv2/core.hpp>

class CCvImageCtrl : public QWidget {
  public:
    // (context, flag, picture to fill); an empty picture shows nothing.
    using Producer = std::function<void(void* context, int flag, cv::Mat& picture)>;
    using DoneCallback = std::function<void(void* context)>;

    explicit CCvImageCtrl(QWidget* parent = nullptr);
    ~CCvImageCtrl() override;

    // Set by the owner before Run.
    void* m_pContext = nullptr;
    int m_flag = 0;
    Producer m_producer;
    DoneCallback m_done;

    // Starts the worker and waits up to 500 ms for it; 1 (the worker may still be running).
    // 0 only if an earlier worker is still running and does not finish within Stop's wait.
    int Run();
    // 1 when no worker is left; 0 if the worker still runs after 1000 ms (the handle is kept,
    // call again later).
    int Stop();

    // The picture shown, scaled to the control when it was produced (tests and owners).
    QImage Picture() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void Work(QSize target);
    bool WaitFinished(std::chrono::milliseconds timeout);

    std::thread worker_;
    mutable std::mutex mutex_;
    std::condition_variable finishedChanged_;
    bool finished_ = true;
    QImage picture_;
};
