// The camera's own device node, claimed by this run (Linux): a flock on the
// node for the whole run, so that any two runs on one camera exclude each
// other whoever starts them and wherever their instance locks live; and
// for the download its capture queue, so that the camera is never written
// while another program streams from it, nor starts to stream meanwhile.
// Windows has no such claim: there each call succeeds and holds nothing, so
// that callers need not ask which system they run on.
#pragma once

#include <map>
#include <string>

enum class QueueClaim {
    Taken,    // ours until released
    InUse,    // another program owns the stream (EBUSY)
    Unknown,  // the node would not say (logged); nothing is held
};

class NodeClaim {
public:
    NodeClaim() = default;
    ~NodeClaim();  // gives the queue back and closes the nodes: the locks go
    NodeClaim(const NodeClaim&) = delete;
    NodeClaim& operator=(const NodeClaim&) = delete;

    // Locks `node` (once; later calls answer from the lock held). False
    // when another process holds it; a node that cannot be opened here is
    // left for the camera source to refuse.
    bool Lock(const std::string& node);
    // Takes the capture queue of a node this claim has locked: one buffer,
    // memory-mapped, as a capture program would.
    QueueClaim TakeQueue(const std::string& node, std::string* log);
    // Gives the queue back (zero buffers); nothing when none was taken.
    void ReleaseQueue();

private:
    std::map<std::string, int> locked_;  // node -> its descriptor
    int queueFd_ = -1;
};
