// SPDX-License-Identifier: MIT
// Runs the browser's benchmarks offscreen inside one QApplication.

#include <cstdio>

#include <QApplication>

#include <benchmark/benchmark.h>

#include "Allocator.h"
#include "MessageBox.h"
#include "ScratchDir.h"
#include "UiBenchSupport.h"

namespace {
ScratchDir* g_scratch = nullptr;
}  // namespace

const std::string& BenchDataDir() {
    static const std::string prefix = g_scratch->prefix();
    return prefix;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // As the browser does.
    GiveLargeBlocksTheirOwnPages();
    QApplication app(argc, argv);
    SetMessageBoxHook([](const QString& text, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
        return QMessageBox::Ok;
    });
    ScratchDir scratch("spells-uibench", ScratchDir::Place::kMemory);
    g_scratch = &scratch;

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
