// Rows of a camera's region table as any program or damaged file may have left them: the model
// loads without fault, and what it saves loads back to the same model.
#include "core/defaultdatabases.h"
#include "core/parameterstore.h"
#include "fuzz/fuzzsupport.h"
#include "vision/inspection/cammersingleton.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::PutRows(PARAM_DB_CONNECTION, "cammer0", data, size);
    static CammerSingleton first(0), again(0);
    first = CammerSingleton(0);
    again = CammerSingleton(0);
    if (!first.LoadWithMasks(nullptr) || !first.SaveDatatoFile())
        return 0;
    if (!again.LoadWithMasks(nullptr) || !(again == first))
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    fuzz::SetUpProcess(argc, argv);
    // The program's geometry: a 640 x 480 camera on the 1725 x 982 view.
    gImageW = 640;
    gImageH = 480;
    gShowW = 1725;
    gShowH = 982;
    gShowAW = float(gShowW) / gImageW;
    gShowAH = float(gShowH) / gImageH;
    if (!CreateDefaultDatabases("."))
        std::abort();
    fuzz::OpenDatabase(PARAM_DB_CONNECTION, "PARAM.db");
    return 0;
}
