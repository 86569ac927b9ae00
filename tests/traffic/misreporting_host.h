// Makes one operation of the substitute host misreport, for as long as the
// object lives: the operation acts on the world as usual, then `alter`
// changes what it reports. For the plug-in's defences against a host that
// returns counts out of range or no text at all.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "sim/runtime/host_runtime.h"
#include "sim/ops/native_call.h"
#include "sim/ops/op_table.h"

class MisreportingHost {
public:
    MisreportingHost(const char* op, void (*alter)(sim::NativeCall&)) {
        const sim::OpSpec* spec = nullptr;
        for (const sim::OpSpec& row : sim::OpTable()) {
            if (std::strcmp(row.name, op) == 0) {
                spec = &row;
            }
        }
        EXPECT_NE(spec, nullptr) << op;
        EXPECT_EQ(original_, nullptr) << "one misreporting operation at a time";
        if (spec != nullptr) {
            hash_ = spec->hash;
            original_ = spec->impl;
            alter_ = alter;
            sim::ReplaceOperation(hash_, &Misreport);
        }
    }
    ~MisreportingHost() {
        if (original_ != nullptr) {
            sim::ReplaceOperation(hash_, original_);
        }
        original_ = nullptr;
        alter_ = nullptr;
    }
    MisreportingHost(const MisreportingHost&) = delete;
    MisreportingHost& operator=(const MisreportingHost&) = delete;

private:
    static void Misreport(sim::World& world, sim::NativeCall& call) {
        original_(world, call);
        alter_(call);
    }
    uint64_t hash_ = 0;
    static inline sim::OpImpl original_ = nullptr;
    static inline void (*alter_)(sim::NativeCall&) = nullptr;
};
