// Makes one operation of the substitute host misreport, for as long as the
// object lives: the operation acts on the world as usual, then `alter`
// changes what it reports. For the plug-in's defences against a host that
// returns counts out of range or no text at all.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "sim/host/native_call.h"
#include "sim/host/op_table.h"

class MisreportingHost {
public:
    MisreportingHost(const char* op, void (*alter)(sim::NativeCall&)) {
        for (const sim::OpSpec& spec : sim::OpTable()) {
            if (std::strcmp(spec.name, op) == 0) {
                // The table's rows are ordinary objects in the vector's storage.
                patched_ = const_cast<sim::OpSpec*>(&spec);
            }
        }
        EXPECT_NE(patched_, nullptr) << op;
        EXPECT_EQ(original_, nullptr) << "one misreporting operation at a time";
        if (patched_ != nullptr) {
            original_ = patched_->impl;
            alter_ = alter;
            patched_->impl = &Misreport;
        }
    }
    ~MisreportingHost() {
        if (patched_ != nullptr) {
            patched_->impl = original_;
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
    sim::OpSpec* patched_ = nullptr;
    static inline sim::OpImpl original_ = nullptr;
    static inline void (*alter_)(sim::NativeCall&) = nullptr;
};
