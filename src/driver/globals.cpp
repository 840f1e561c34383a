#include "driver/globals.hpp"

static_assert(std::atomic<bool>::is_always_lock_free,
              "flags touched by the signal handler must be lock-free");

std::atomic<bool> quiet{true};
bool LIMIT_LOSSES = false;
float WEIGHTED_RECON_COST = 0;
std::atomic<bool> interruptFlag{false};
const std::string version = "2.0";
const std::string legalChars4Name =
    "abcdefghijklmnopqrtsuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
