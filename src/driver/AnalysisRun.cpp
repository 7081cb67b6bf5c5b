#include "driver/AnalysisRun.h"

int runAnalysis(int, const char* const*)
{
    return 0;
}
