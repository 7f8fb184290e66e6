// The report messages, byte for byte or by key order and values.
#include "reportfixture.h"

#include <QFile>

#include "core/parameterstore.h"
#include "mainscreen/templatefiles.h"
#include "network/reportbodies.h"
#include "vision/inspection/cammersingleton.h"
#include "vision/inspection/paramroi.h"

using ReportMessages = ReportNet;

TEST_F(ReportMessages, OperationRecordGoesOutUnescaped)
{
    net->CNT_SendRecord(QDateTime::fromMSecsSinceEpoch(1714547700000), "Operator", QString("a&b=c 报警"));
    ASSERT_EQ(net->queuedFrames().size(), 1);
    EXPECT_EQ(net->queuedFrames()[0],
              QString("1:73:..!device_id=M1&operater=Operator&utc=1714547700000&description=a&b=c 报警").toUtf8());
}

TEST_F(ReportMessages, TemplateDeletionCarriesTheManualStopOperator)
{
    net->CNT_SendDelTempPic(2, 1, "template3.bmp");
    runState = 3;
    net->CNT_SendManualStop();  // the stop record now names the operator
    net->CNT_SendDelTempPic(2, 1, "template3.bmp");
    EXPECT_EQ(Bodies(11), (QList<QByteArray>{
                              "deviceId=M1&cameraId=2&detectId=1&template=template3.bmp&utc=1714547700000&operator=--",
                              "deviceId=M1&cameraId=2&detectId=1&template=template3.bmp&utc=1714547700000&operator=Operator"}));
}

TEST_F(ReportMessages, NgVideoAndAlarmSmsQueryStrings)
{
    std::strcpy(para.CntNet_MsgTechName, "Tech");
    std::strcpy(para.CntNet_MsgTechNum, "13800000000");
    net->CNT_SendSaveNgVideo(1, 1);
    net->CNT_SendTelInfo(1, 3);
    EXPECT_EQ(net->queuedFrames(), (QList<QByteArray>{"15:46:..!device_id=M1&camera_id=1&product=no set&isng=1",
                                                      "16:75:..!device_id=M1&check_id=2&product_count=3&worker_name=Tech&mobile=13800000000"}));
}

TEST_F(ReportMessages, QueriesAndPicturePathsAreBareBodies)
{
    net->CNT_SendGetProduct();
    net->CNT_SendGetRemindList();
    net->CNT_SendAlarmPic("/p/报警.jpg");
    EXPECT_EQ(net->queuedFrames(), (QList<QByteArray>{"14:0:..!", "17:0:..!", QString("5:13:..!/p/报警.jpg").toUtf8()}));
}

TEST_F(ReportMessages, WhichSendFalseSwitchesOffAnyOtherValueLeavesOn)
{
    dir.write("cnt_net/whichsend.config", "{\"7\": false, \"8\": 0, \"1\": \"no\"}");
    Restart();
    EXPECT_FALSE(net->whichSend.value(SEND_STATISTICS));
    EXPECT_TRUE(net->whichSend.value(SEND_ROI_PARAM));
    EXPECT_TRUE(net->whichSend.value(SEND_RECORD));
    net->CNT_SendStatistics("null");
    EXPECT_TRUE(net->queuedFrames().isEmpty());
    EXPECT_FALSE(QFile::exists("cnt_net/data/Statistics"));

    dir.write("cnt_net/whichsend.config", "not json");
    Restart();
    EXPECT_TRUE(net->whichSend.value(SEND_STATISTICS));
}

TEST_F(ReportMessages, ParametersInTheClientsKeyOrder)
{
    para.stage_delay[0] = 15;
    para.local_addr_1 = 192;
    para.local_addr_2 = 168;
    para.local_addr_3 = 1;
    para.local_addr_4 = 9;
    para.output_polarity[2] = 1;
    para.exposure[7] = 321;
    gFailNum[7] = 4;
    std::strcpy(gSerialNB[7], "SN8");
    net->CNT_SendParam();
    std::strcpy(gSerialNB[7], "");
    const QList<QByteArray> bodies = Bodies(2);
    ASSERT_EQ(bodies.size(), 1);
    Json j(bodies[0]);
    ASSERT_TRUE(j.root);
    const QStringList keys = KeysOf(j.root);
    ASSERT_EQ(keys.size(), 69);
    EXPECT_EQ(keys.mid(0, 8), QStringList({"device_id", "finished_product_detect", "cavity_detect", "neutron_detect",
                                           "fourth_detect", "is_psw_used", "password", "semi_auto"}));
    EXPECT_EQ(keys.mid(keys.indexOf("enable_network"), 14),
              QStringList({"enable_network", "local_addr_1", "local_addr_2", "local_addr_3", "local_addr_4", "mask_1",
                           "mask_2", "mask_3", "mask_4", "gateway_1", "gateway_2", "gateway_3", "gateway_4",
                           "minimum_size"}));
    EXPECT_EQ(keys.mid(keys.size() - 5), QStringList({"min_spot", "factory_param", "report_alarm", "prohibit_optimize", "camera"}));
    EXPECT_EQ(NumOf(j.root, "finished_product_detect"), 15);
    EXPECT_EQ(NumOf(j.root, "enable_watch_dog"), 1);
    EXPECT_EQ(NumOf(j.root, "report_alarm"), 1);
    EXPECT_EQ(TextOf(j.root, "local_addr_1"), "192.168.1.9");
    EXPECT_EQ(TextOf(j.root, "mask_2"), "0.0.0.0");
    const cJSON* cams = cJSON_GetObjectItem(j.root, "camera");
    ASSERT_EQ(cJSON_GetArraySize(cams), 8);
    const cJSON* last = cJSON_GetArrayItem(cams, 7);
    EXPECT_EQ(KeysOf(last), QStringList({"camera_id", "expose_time", "adjust_plus", "num_fail_detect", "num_all_detect",
                                         "sharp", "contrast", "camera_serial"}));
    EXPECT_EQ(TextOf(last, "camera_id"), "8");
    EXPECT_EQ(NumOf(last, "expose_time"), 321);
    EXPECT_EQ(NumOf(last, "num_fail_detect"), 4);
    EXPECT_EQ(TextOf(last, "camera_serial"), "SN8");
}

TEST_F(ReportMessages, RegionsOfEachShapeAndAnEmptyStage)
{
    CammerSingleton model(1);
    model.roiNum[0] = 3;
    model.shapeType[0][0] = 1;
    model.rects[0][0].rect = QRect(QPoint(10, 20), QPoint(110, 220));
    model.shapeType[0][1] = 4;
    model.circles[0][1].rect = QRect(50, 60, 100, 100);
    model.circles[0][1].radius = 50;
    model.circles[0][1].innerRadius = 20;
    model.shapeType[0][2] = 2;
    const QPoint tri[3] = {{1, 2}, {30, 4}, {5, 60}};
    model.polygons[0][2] = RePolygon(3, tri);
    model.method[0][2] = 3;
    model.param1[0][2] = 7;
    model.outputNo[2] = 2;
    model.roiNum[1] = 0;
    net->host.regionModel = [&](int c) { return c == 1 ? &model : nullptr; };
    net->CNT_SendROIParam(1, 0);
    net->CNT_SendROIParam(1, 1);
    net->CNT_SendROIParam(5, 0);  // no model there: nothing
    const QList<QByteArray> bodies = Bodies(8);
    ASSERT_EQ(bodies.size(), 2);

    Json j(bodies[0]);
    EXPECT_EQ(KeysOf(j.root), QStringList({"device_id", "camera_id", "detect", "count", "roi"}));
    EXPECT_EQ(TextOf(j.root, "camera_id"), "2");
    EXPECT_EQ(NumOf(j.root, "detect"), 1);
    const cJSON* rois = cJSON_GetObjectItem(j.root, "roi");
    ASSERT_EQ(cJSON_GetArraySize(rois), 3);
    const cJSON* rect = cJSON_GetArrayItem(rois, 0);
    EXPECT_EQ(KeysOf(rect), QStringList({"roi_idx", "min_size", "sensibility", "max_area", "algorithm", "output_point",
                                         "roi_type", "top_point_count", "top_0_x", "top_0_y", "top_1_x", "top_1_y",
                                         "in_r", "out_r"}));
    EXPECT_EQ(NumOf(rect, "top_1_x"), 110);
    EXPECT_EQ(NumOf(rect, "top_1_y"), 220);
    const cJSON* circle = cJSON_GetArrayItem(rois, 1);
    EXPECT_EQ(NumOf(circle, "roi_type"), 1);
    EXPECT_EQ(NumOf(circle, "top_point_count"), 1);
    EXPECT_EQ(NumOf(circle, "top_0_x"), 50);
    EXPECT_EQ(NumOf(circle, "top_0_y"), 60);
    EXPECT_EQ(NumOf(circle, "in_r"), 20);
    EXPECT_EQ(NumOf(circle, "out_r"), 50);
    const cJSON* poly = cJSON_GetArrayItem(rois, 2);
    EXPECT_EQ(NumOf(poly, "roi_idx"), 3);
    EXPECT_EQ(NumOf(poly, "min_size"), 7);
    EXPECT_EQ(NumOf(poly, "algorithm"), 3);
    EXPECT_EQ(NumOf(poly, "output_point"), 2);
    EXPECT_EQ(NumOf(poly, "roi_type"), 2);
    EXPECT_EQ(NumOf(poly, "top_point_count"), 3);
    EXPECT_EQ(NumOf(poly, "top_2_y"), 60);
    EXPECT_EQ(NumOf(poly, "in_r"), 0);

    Json empty(bodies[1]);
    EXPECT_EQ(NumOf(empty.root, "count"), 0);
    EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(empty.root, "roi")), 0);
    EXPECT_TRUE(bodies[1].contains("\"roi\":\t[]"));
}

TEST_F(ReportMessages, SingleResultRowsOfReportedStagesAndPresentCameras)
{
    numCamera = 2;
    gAllNum[0] = 10;
    gFailNum[0] = 3;
    std::strcpy(para.CntNet_ProName, "Cup");
    const QList<param_roi> rows = {
        {0, 0, 3, 1, 55, 10, 90, 0},
        {0, 5, 1, 1, 5, 1, 9, 1},   // stage 6: dropped, its camera object stays
        {2, 0, 0, 1, 5, 1, 9, 1},   // camera 3 is not there
    };
    net->CNT_SendStatistics_Once(rows, true, 2);
    EXPECT_EQ(net->bindTime, now);
    const QList<QByteArray> bodies = Bodies(18);
    ASSERT_EQ(bodies.size(), 1);
    Json j(bodies[0]);
    EXPECT_EQ(KeysOf(j.root), QStringList({"device_id", "utc", "state", "detect_method", "product_name", "product_serial",
                                           "product_num", "product_moldcavity", "product_operator", "result", "array"}));
    EXPECT_EQ(TextOf(j.root, "state"), "正在检测");
    EXPECT_EQ(TextOf(j.root, "detect_method"), "安全门");
    EXPECT_EQ(TextOf(j.root, "product_name"), "Cup");
    EXPECT_EQ(TextOf(j.root, "product_serial"), "10000");
    EXPECT_EQ(NumOf(j.root, "result"), 1);
    const cJSON* cams = cJSON_GetObjectItem(j.root, "array");
    ASSERT_EQ(cJSON_GetArraySize(cams), 1);
    const cJSON* cam = cJSON_GetArrayItem(cams, 0);
    EXPECT_EQ(KeysOf(cam), QStringList({"camera_id", "device_ng", "device_all", "detect_array"}));
    EXPECT_EQ(NumOf(cam, "device_ng"), 3);
    const cJSON* detects = cJSON_GetObjectItem(cam, "detect_array");
    ASSERT_EQ(cJSON_GetArraySize(detects), 1);
    const cJSON* roi = cJSON_GetArrayItem(cJSON_GetObjectItem(cJSON_GetArrayItem(detects, 0), "roi_array"), 0);
    EXPECT_EQ(KeysOf(roi), QStringList({"roi_id", "algorithm_type", "algorithm_result", "algorithm_premin",
                                        "algorithm_premax", "is_alarm"}));
    EXPECT_EQ(NumOf(roi, "roi_id"), 4);
    EXPECT_EQ(NumOf(roi, "algorithm_result"), 55);
    EXPECT_EQ(NumOf(roi, "is_alarm"), 0);
}

TEST_F(ReportMessages, ReleaseBeforeAnyResultCarriesBindUtcZero)
{
    net->host.releaseMethod = [] { return 5; };
    net->CNT_SendCancle();
    net->CNT_SendStatistics_Once({}, false, -1);
    now += 1000;
    net->CNT_SendCancle();
    const QList<QByteArray> bodies = Bodies(20);
    ASSERT_EQ(bodies.size(), 2);
    Json first(bodies[0]);
    EXPECT_EQ(KeysOf(first.root), QStringList({"device_id", "bind_utc", "utc", "method", "product_operator"}));
    EXPECT_EQ(NumOf(first.root, "bind_utc"), 0);
    EXPECT_EQ(TextOf(first.root, "method"), "添加为模板解除");
    EXPECT_EQ(TextOf(first.root, "product_operator"), "Operator");
    Json second(bodies[1]);
    EXPECT_EQ(NumOf(second.root, "bind_utc"), 1714547700000);
    EXPECT_EQ(NumOf(second.root, "utc"), 1714547701000);
    // The printed form: 64-bit times as plain integers, tab-indented.
    EXPECT_TRUE(bodies[1].contains("\t\"bind_utc\":\t1714547700000,\n"));
}

TEST_F(ReportMessages, ProgramSeamsSendParametersAndTemplateDeletionsOnlyWhileLinked)
{
    CNT_Net* old = gpNet;
    gpNet = net.get();
    InstallReportSeams();
    gParamStoreHooks.sendParamReport();
    TemplateFiles::reportDeleted(1, 2, "template1.bmp");
    EXPECT_TRUE(net->queuedFrames().isEmpty());  // no client connected
    net->connected = true;  // as a heartbeat would leave it, without a socket of its own
    gParamStoreHooks.sendParamReport();
    TemplateFiles::reportDeleted(1, 2, "template1.bmp");
    gParamStoreHooks.sendParamReport = nullptr;
    TemplateFiles::reportDeleted = nullptr;
    gpNet = old;
    EXPECT_EQ(Bodies(2).size(), 1);
    EXPECT_EQ(Bodies(11).size(), 1);
}
