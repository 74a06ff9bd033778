#pragma once
// How a node takes part in a cluster: where NATS is, and the timings of liveness and leases.
#include "server/cluster/id_leases.h"
#include "server/cluster/nats_link.h"
#include "server/pose_relay.h"

#include <chrono>
#include <string>

namespace server::cluster {

struct ClusterSettings {
    std::string url;                             // nats://HOST:PORT, or tls://HOST:PORT for TLS
    NatsTls tls;
    std::string prefix = "moneko";               // first token of every subject this world uses
    std::chrono::milliseconds heartbeat{1000};
    std::chrono::milliseconds nodeTimeout{3000};  // a node silent this long is gone
    std::chrono::milliseconds startupSync{2000};  // longest wait for the other nodes' rosters
    IdLeases::Settings leases;
    PoseRelay::Settings interest;                 // who hears whose poses at full rate
};

}  // namespace server::cluster
