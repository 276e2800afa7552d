#pragma once

// The three timers of the modem engine, behind a seam so tests can run them on virtual time.
// Once started, a timer fires every interval until stopped; starting a running timer
// restarts it. A one-shot timer is one its client stops when it
// fires. Callbacks arrive on the thread that serves the engine, never concurrently with a
// call into it.
class TimerHost {
public:
    class Client {
    public:
        virtual void OnTimer(int id) = 0;

    protected:
        ~Client() = default;
    };

    virtual ~TimerHost() = default;

    // The one client that receives the callbacks; nullptr detaches it.
    virtual void SetClient(Client* client) = 0;
    virtual void Start(int id, int intervalMs) = 0;
    // Harmless for a timer that is not running.
    virtual void Stop(int id) = 0;
};
