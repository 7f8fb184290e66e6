#pragma once
// The parameter record: camera settings, stages and their trigger wiring, output polarities, the
// system options, the network-report settings and six short texts. Two instances live for the whole
// run: gpWPara (in force) and gpWParaBak (being edited). It holds no pointers and no owned
// resources, so a plain copy moves it whole between the two.
#include <QString>

class WizardPara {
public:
    WizardPara();
    ~WizardPara() = default;

    // Store (PARAM.db table sysparam on connection "dbIn", serials on "dbT", sysadd.txt, name.txt).
    // Makes sure the row `name` exists (inserts "0" when missing); false when a statement failed.
    bool SaveChkDBItem(QString const& name);
    // Writes the whole record in one transaction; true only when every row was written.
    bool SaveDatatoFile();
    // Writes param_group to sysadd.txt; true when written.
    bool SaveAddFile();
    // Loads, range-checks and derives the whole record, then the display names and camera serials.
    void LoadDatafromFile();

    // Arrays indexed by camera (0-7) or stage (0-7) unless said otherwise.
    int exposure[8];
    int gain[8];
    int sharpness[8];
    int contrast[8];
    int gamma[8];
    int stage_delay[8];           // 0.1 s
    int stage_trigger_input[8];   // derived: input bit, 255 = the pair's own inputs, -1 = none
    int input_polarity[8];        // never stored: all inputs active-high
    int output_polarity[9];       // per output 0-8
    int semi_auto;
    int stage_enabled[8];         // derived
    int enabe_two_test;
    int enable_stop_mold;
    int enable_correct;           // 0 on, -1 off
    int mold_cutoff;
    int is_psw_used;
    int enable_screen_alert;
    int template_auto_update;
    int first_stage_on;
    int stored_camera_count;      // counted at load from SN.db
    int max_mold_num;
    int ng_max_num;
    int ok_record_max_num;
    int location_level;           // screen-off delay, s
    int capture_speed;
    int difference_multiplier;
    int auto_cancel_timelen;      // s
    int front_mold_timelen;
    int front_auto_check_time;
    int thimble_pulse;            // 0.1 s
    int mold_pulse;               // 0.1 s
    int input_timeout_len;        // s
    int input_debounce;           // 0.1 s
    int minimum_size;
    int minimum_area;
    int enable_cutoff_ontime;
    int enable_stop_not_alarm;
    int enable_output_thimble_pulse;
    int is_cut_ontime;
    int is_cut_ontime_thimble;
    int ng_pulse_mode;
    int release_ejector_at_start;
    int no_close_inhibit_at_start;
    int enable_pass_protect;
    int template_add_option;
    int ignore_point_option;
    int spare_system6_12;
    int enable_disarm_before_open;
    int enable_defect_detect;
    int enable_spot_detect;
    int enable_ignore_area;
    int enable_manual_edit;
    int enable_display_detail;
    int enable_trigger_safety;
    int enable_one_not_mold;
    int auto_region_prompt;
    int spare_system6_10;
    int enable_mold_backup;
    int location_adge;
    int defect_rule_reversed;
    int paint_option;
    int cavity_check_on;
    int log_switch;
    int spare_system6_11;
    int serial_port;
    int enable_color_camera;
    int enable_gray_channel;
    int prohibit_optimize;
    int min_spot;
    int snap_shot;
    int factory_param;
    int io_mode;                  // in force, 0-5
    int io_mode_chosen;           // takes effect at the next start
    int io_sub_mode;
    int pre_cut;                  // 0.1 s
    int auto_exposure;
    int auto_wdr;
    int ng_option;
    int enable_black_area_detect;
    int enable_white_area_detect;
    int enable_white_count_detect;
    int enable_direction_detect;
    int enable_similarity_detect;
    int shape_angle_limit;
    int row_filler;               // trailing positions of system9, system10, system11
    char password[100];
    int enable_network;
    int local_addr_1, local_addr_2, local_addr_3, local_addr_4;
    int mask_1, mask_2, mask_3, mask_4;
    int gateway_1, gateway_2, gateway_3, gateway_4;
    int cnt_net_enabled;
    char CntNet_UseName[100];
    int video_share;              // 0 off, 1 whole screen, 2 per camera
    int video_fps_index;          // into 5, 10, 15, 20, 25 per second
    int ng_video_record;
    int alarm_sms;
    char CntNet_MsgTechName[100];
    char CntNet_MsgTechNum[100];
    char CntNet_ProName[100];
    int product_batch;
    int cavity;
    int expected_capacity;
    char CntNet_Operator[100];
    int spare_system7_12;
    int stage_count;              // mode 4, 2-8
    int stage_source[8];          // mode 4: trigger choice of each stage, -1 = unused
    int stage_input_choice[8];    // mode 4: index into TriginNo of each trigger choice
    int stage_link[8];
    int stage_source_in_force[8]; // derived
    int input_name_choice[8];     // row of gInName per input
    int output_name_choice[8];    // row of gOutName per output
    int stage_slots;              // derived
    int image_trigger;
    int temp_min[8];              // 0.1 degree, temperature channels 0-7
    int temp_max[8];
    int param_group;              // kept in sysadd.txt
};
