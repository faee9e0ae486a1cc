#include "platform/node_claim.h"

// Windows has no node to lock nor capture queue to take here: every claim
// succeeds and holds nothing.
NodeClaim::~NodeClaim() = default;

bool NodeClaim::Lock(const std::string&) { return true; }

QueueClaim NodeClaim::TakeQueue(const std::string&, std::string*) { return QueueClaim::Taken; }

void NodeClaim::ReleaseQueue() {}
