#include "base/ErrorReport.h"
#include "base/FreshMemory.h"
#include "driver/AnalysisRun.h"

int main(int argc, char** argv)
{
    keepFreedMemory();
    try {
        return runAnalysis(argc, argv);
    } catch (const FatalError&) {
        // The message is already in VarnoLog.txt and on the console.
        return 1;
    }
}
