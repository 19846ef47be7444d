// The stop state of a search: what ends it from outside its own limits.
// stop, quit and ponderhit reach it through the interface's listener, and
// the node limit through the main searcher's checks; the main searcher's
// duties are its only writer, and only while a search runs.  The request
// itself (limits.h) is never rewritten.
#pragma once

#include <atomic>

namespace velkar {

class TSignaux {
public:
    // A new search: nothing asked yet; pondering when the request says so.
    void Arme(bool Ponder) {
        Demande.store(false, std::memory_order_relaxed);
        Ponder_.store(Ponder, std::memory_order_relaxed);
        Stop = Quit_ = false;
    }
    // The search ends now, whatever its limits (the node limit reached).
    void Arrete() {
        Demande.store(true, std::memory_order_relaxed);
        Ponder_.store(false, std::memory_order_relaxed);
    }
    // stop from the interface; quit also ends the program after the reply.
    void ArreteSurOrdre(bool Quitter) {
        Arrete();
        Stop = true;
        Quit_ = Quit_ || Quitter;
    }
    // ponderhit: the search goes on, on its clock from now.  False when
    // nothing was pondered.
    bool PonderHit() { return Ponder_.exchange(false, std::memory_order_relaxed); }

    bool ArretDemande() const { return Demande.load(std::memory_order_relaxed); }
    bool EnPonder() const { return Ponder_.load(std::memory_order_relaxed); }
    bool StopEntendu() const { return Stop; }
    bool Quit() const { return Quit_; }

private:
    std::atomic<bool> Demande{false};
    std::atomic<bool> Ponder_{false};
    bool Stop = false;   // stop or quit was heard (not the node limit)
    bool Quit_ = false;  // quit was heard
};

}  // namespace velkar
