#pragma once
// Region model of one camera view: for each of the 8 detect stages up to 50 regions, each with a
// detection method, three method parameters, a shape and an NG output number, plus eight cavity
// flags per stage. Stored in PARAM.db (connection "dbIn"), table "cammer<camera>", as name/value
// text rows.
//
// A model is a value: assignment copies it whole and == compares what is in use (the regions
// below each stage's count with the shape their code names, the output numbers of those region
// indices, counts, cavity flags, camera). Polygon vertices are held in shared lists sized to the
// vertices drawn, so a model's memory follows its regions and a copy costs little until edited.
// Copy and compare with = and ==, never memcpy/memcmp.
#include <functional>

#include <opencv2/core.hpp>

#include "core/globals.h"
#include "vision/inspection/circle.h"
#include "vision/inspection/polygon.h"
#include "vision/inspection/rect.h"

class QString;

class CammerSingleton {
public:
    using MaskTable = cv::Mat[MAX_DETECT][MAX_ROI];

    explicit CammerSingleton(int camera);
    ~CammerSingleton() = default;
    CammerSingleton(const CammerSingleton&) = default;
    CammerSingleton& operator=(const CammerSingleton&) = default;

    // Writes the whole model to its table in one transaction; rows of regions beyond a stage's
    // count are deleted. False (and nothing written) when the database refuses.
    bool SaveDatatoFile();
    // Reads the model from its table and builds each region's mask into the view's mask table
    // (found through viewMasks). False when the database cannot be read.
    bool LoadDatafromFile(void* view);
    // The same with the mask table given directly (null: masks are not kept).
    bool LoadWithMasks(MaskTable* masks);

    bool operator==(const CammerSingleton& o) const;
    bool operator!=(const CammerSingleton& o) const { return !(*this == o); }

    // Table name "cammer<camera>".
    QString TableName() const;

    // Seam wired by the camera view: its mask table.
    static std::function<MaskTable*(void* view)> viewMasks;
    // Replaces the report server's CNT_SendROIParam (tests observe the reports with it).
    static std::function<void(int camera, int stage)> reportStage;

    int camera;
    int roiNum[MAX_DETECT];                  // regions in use per stage, 0..50
    int param1[MAX_DETECT][MAX_ROI];
    int param2[MAX_DETECT][MAX_ROI];
    int param3[MAX_DETECT][MAX_ROI];
    int method[MAX_DETECT][MAX_ROI];         // detection method code
    ClustomRect rects[MAX_DETECT][MAX_ROI];
    Circle circles[MAX_DETECT][MAX_ROI];
    RePolygon polygons[MAX_DETECT][MAX_ROI];
    int shapeType[MAX_DETECT][MAX_ROI];      // 1 rectangle, 2 polygon, 4 ring
    int outputNo[MAX_ROI];                   // NG output 0..3 of region index r, shared by the stages
    int cavity[MAX_DETECT][8];               // Qt check states: 0 clear, 2 ticked

private:
    QString RoiValue(int s, int r) const;
    void SetDefaultRegion(int s, int r);
    void StoreMask(MaskTable* masks, int s, int r);
};
