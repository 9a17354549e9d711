#pragma once
// The run body of a ZThread that is not derived from: the thread calls ThreadRun on its own
// thread and ends when it returns.
//
//   class Listener : public IThreadHandler {
//       int ThreadRun(ZThread* thread) override {
//           while (!thread->IsStopRequested()) { ... }
//           return 0;
//       }
//   };
//   Listener listener;
//   ZThread thread(false, &listener);
//   thread.Start(true, zplat::INFINITE);
//
// Ownership: the thread never owns or deletes its handler; the handler must outlive the thread's
// run (its owner stops and waits before letting it go).

class ZThread;

class IThreadHandler {
public:
    virtual int ThreadRun(ZThread* thread) = 0;

protected:
    // Never deleted through the interface.
    ~IThreadHandler() = default;
};
