world_general_properties
farz 3000
fog0 12898036 1.0 0.55
global_ambient_light 4605510
sky_light_use 1
sky_light_direction 40 135
sky_light_color 16773330
sky_light_power 1.2
lens_flare_direction 40 135
lensflare_script scripts\lensflare\demo.txt
bloom_params 5 0.3
HDRTargetLuminance 0.38
skinmesh_skylight_coef 1
skinmesh_ambient_coef 1
sky_mesh meshes\demo\sky.x
mesh meshes\demo\ground.x
name ground
xpos 0
ypos 0
zpos 0
terrain_mesh
mesh meshes\demo\house.x
name house_01
xpos -60
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_02
xpos -30
ypos 0
zpos -18
set_fx dym_komin
mesh meshes\demo\house.x
name house_03
xpos 0
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_04
xpos 30
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_05
xpos 60
ypos 0
zpos -18
mesh meshes\demo\house.x
name house_06
xpos -60
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_07
xpos -30
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_08
xpos 0
ypos 0
zpos 18
mesh meshes\demo\house.x
name house_09
xpos 30
ypos 0
zpos 18
set_fx dym_komin
mesh meshes\demo\house.x
name house_10
xpos 60
ypos 0
zpos 18
mesh meshes\demo\tower.x
name tower_01
xpos -95
ypos 0
zpos 0
mesh meshes\demo\tower.x
name tower_02
xpos 95
ypos 0
zpos 0
mesh meshes\demo\crate.x
name crate_01
xpos -45
ypos 0
zpos -9
mesh meshes\demo\crate.x
name crate_02
xpos -42.8
ypos 0
zpos -9
mesh meshes\demo\crate.x
name crate_03
xpos -40.6
ypos 0
zpos -9
mesh meshes\demo\crate.x
name crate_04
xpos -42.8
ypos 1.5
zpos -9
mesh meshes\demo\barrel.x
name barrel_01
xpos -38
ypos 0
zpos -8.5
mesh meshes\demo\barrel.x
name barrel_02
xpos -36.8
ypos 0
zpos -8.5
mesh meshes\demo\barrel.x
name barrel_03
xpos 36
ypos 0
zpos -8.5
set_fx e_ogien_beczka
mesh meshes\demo\barrel.x
name barrel_04
xpos 37.2
ypos 0
zpos -8.5
mesh meshes\demo\lamp_post.x
name lamp_post_01
xpos -45
ypos 0
zpos 7.5
mesh meshes\demo\lamp_post.x
name lamp_post_02
xpos -15
ypos 0
zpos 7.5
mesh meshes\demo\lamp_post.x
name lamp_post_03
xpos 15
ypos 0
zpos 7.5
mesh meshes\demo\lamp_post.x
name lamp_post_04
xpos 45
ypos 0
zpos 7.5
light
name lamp_light_01
xpos -45
ypos 6.3
zpos 7.5
range 18
power 1
diffuse 1 0.85 0.6
light_link_by_socket 1 lamp_post_01 light_point
light
name lamp_light_02
xpos -15
ypos 6.3
zpos 7.5
range 18
power 1
diffuse 1 0.85 0.6
light_link_by_socket 1 lamp_post_02 light_point
light
name lamp_light_03
xpos 15
ypos 6.3
zpos 7.5
range 18
power 1
diffuse 1 0.85 0.6
light_link_by_socket 1 lamp_post_03 light_point
light
name lamp_light_04
xpos 45
ypos 6.3
zpos 7.5
range 18
power 1
diffuse 1 0.85 0.6
light_link_by_socket 1 lamp_post_04 light_point
light
name square_fill
xpos 0
ypos 25
zpos 0
range 80
power 0.5
diffuse 0.7 0.8 1
mesh meshes\demo\stair.x
name stair
xpos 70
ypos 0
zpos -10
mesh meshes\demo\ledge.x
name ledge
xpos 73
ypos 0
zpos -10
mesh prefabs\demo\physics_crate.x
name physics_crate_01
xpos 83
ypos 0.6
zpos -13
rigid_body_physics_general 1 8 1
mesh prefabs\demo\physics_crate.x
name physics_crate_02
xpos 85
ypos 0.6
zpos -13
rigid_body_physics_general 1 8 1
mesh prefabs\demo\physics_crate.x
name physics_crate_03
xpos 87
ypos 4
zpos -13
rigid_body_physics_general 1 8 1
mesh prefabs\bronie\pistol.x
name item_pistol
xpos -6
ypos 0
zpos -4
mesh prefabs\bronie\rifle.x
name item_rifle
xpos -3
ypos 0
zpos -4
mesh prefabs\bronie\shotgun.x
name item_shotgun
xpos 0
ypos 0
zpos -4
mesh prefabs\bronie\ammo_box.x
name item_ammo
xpos 3
ypos 0
zpos -4
mesh prefabs\bronie\grenade.x
name item_grenade
xpos 5
ypos 0
zpos -4
mesh prefabs\items\medical_kit.x
name item_medkit
xpos 7
ypos 0
zpos -4
mesh meshes\demo\threshold.x
name demo_door_threshold
xpos 10.8
ypos 0
zpos -8
flags 0
action_general_opt 1 1
action_general_2 1 1
action_give_action_to___mesh demo_door
mesh meshes\demo\door.x
name demo_door
xpos 10
ypos 0
zpos -10
action_general_opt 1 0
action_door 1 1 90 90 0
mesh meshes\demo\switch.x
name demo_switch
xpos 15
ypos 0
zpos -9
action_general_opt 1 1
action_general_2 1 0
action_ifset power_on
action_next_run_after 2
action_default_set lift_power
action_give_action_to___mesh demo_switch_light
light
name demo_switch_light
xpos 15
ypos 3
zpos -9
range 12
power 1
diffuse 1 1 1
flags 12
action_general_opt 1 0
action_switch_light 1
mesh meshes\demo\lift.x
name demo_lift
xpos 19
ypos 0
zpos -10
action_general_opt 1 1
action_general_2 1 0
action_ifset lift_power
action_moving 0 1 0 1.5 6
mesh meshes\demo\barrel.x
name demo_barrel
xpos 24
ypos 0
zpos -8
death_params_1 1 0 0 0 1 1 1 1 1 0 20 1
death_params_FX_On_Death explosion
death_params_shake_screen 1
death_params_SetWhenDead barrel_blown
death_params_DestroyObjectName demo_crate
death_params_DestroyOtherPause 0.3
mesh meshes\demo\crate.x
name demo_crate
xpos 26
ypos 0
zpos -8
death_params_1 1 0 0 0 0 1 1 1 1 0 50 1
death_params_CreateMeshOnDeath meshes\demo\crate_wreck.x
death_params_created_mesh_name demo_crate_wreck
light
name demo_blink_light
xpos 25
ypos 3.5
zpos -8
range 10
power 1.5
diffuse 1 0.4 0.1
blinking1 1 0.5 0.1 1.5 0.2 0.2 0.05
mesh meshes\demo\crate.x
name demo_bezier_cart
xpos 28
ypos 0
zpos -10
bezier_moving_____start_node_name demo_cart_path
bezier_moving_____params0 0 1 4 8 1 0 1
bezier_moving_____params1 1 0
mesh meshes\demo\threshold.x
name demo_cart_gate
xpos 26
ypos 0
zpos -16.5
flags 0
action_general_opt 1 1
action_general_2 1 1
action_allow_passing_blockers demo_bezier_cart
mesh meshes\demo\crate.x
name sun_crate
xpos -8
ypos 0
zpos 1
scaling_axis 3 3 3
mesh meshes\demo\crate.x
name camera_start
xpos -20
ypos 6
zpos -12
rotation_angles 14 52 0
flags 12
mesh meshes\demo\marker.x
name skylight
xpos 0
ypos 35
zpos 0
scaling_axis 200 1 60
flags 128
mesh prefabs\special\start_point.x
name game_start_point
xpos -25
ypos 1.2
zpos -3
flags 0
mesh prefabs\bronie\sniper_rifle.x
name range_rifle
xpos -25
ypos 0.25
zpos -0.5
mesh meshes\demo\barrel.x
name range_barrel
xpos -15
ypos 0.25
zpos -0.5
death_params_1 1 0 0 0 1 1 1 1 1 0 20 1
death_params_FX_On_Death barrel_blast
death_params_shake_screen 1
death_params_SetWhenDead range_barrel_blown
death_params_console_print The range barrel blew up
skinmesh models\demo_townsman\demo_townsman.x
name townsman_01
xpos -15
ypos 0.25
zpos -8
rotation_angles 0 200 0
skinmesh models\demo_townsman\demo_townsman.x
name townsman_02
xpos -13.8
ypos 0.25
zpos -8.6
rotation_angles 0 250 0
skinmesh models\demo_walker\demo_walker.x
name walker_01
xpos -14.2
ypos 0.25
zpos -5.5
rotation_angles 0 90 0
mesh prefabs\special\start_point.x
name level_start
xpos -25
ypos 1.2
zpos -3
flags 0
action_general_opt 1 0
action_general_2 0 1
action_sound_ambient_sound sounds\ambient\wind_loop.wav
action_sound_volume_ambient_sound 1
action_give_action_to___mesh soldier_spawn
mesh meshes\demo\threshold.x
name demo_switch_panel
xpos 15
ypos 0
zpos -9
flags 0
action_general_opt 1 1
action_general_2 1 0
action_ifset power_on
action_next_run_after 2
action_activate_ai_action switch_pressed
action_give_action_to___mesh demo_switch
mesh prefabs\special\start_point.x
name soldier_spawn
xpos 45
ypos 0
zpos -22
flags 0
action_general_opt 1 0
action_general_2 0 1
rotation_angles 0 0 0
action_respawn_character_name demo_soldier
action_respawn_character_phase0 warta
action_respawn_character_phase1 warta
action_respawn_params 5 0
action_give_action_to___mesh partner_spawn
mesh prefabs\special\start_point.x
name partner_spawn
xpos -28
ypos 0.25
zpos -5
flags 0
action_general_opt 1 0
action_general_2 0 1
rotation_angles 0 0 0
action_respawn_character_name demo_partner
action_respawn_character_phase0 stoi
action_respawn_character_phase1 stoi
action_respawn_params 5 0
action_give_action_to___mesh civilian_spawn
mesh prefabs\special\start_point.x
name civilian_spawn
xpos -18
ypos 0
zpos 11
flags 0
action_general_opt 1 0
action_general_2 0 1
rotation_angles 0 90 0
action_respawn_character_name demo_civilian
action_respawn_character_phase0 idzie_do_znacznika
action_respawn_character_phase1 idzie_do_znacznika
action_respawn_params 5 0
action_give_action_to___mesh cover_soldier_spawn
mesh prefabs\special\start_point.x
name lookout
xpos 45
ypos -62.8
zpos -5.6
flags 0
mesh prefabs\special\marker.x
name civilian_goal
xpos -24
ypos 0
zpos 8
flags 0
mesh prefabs\special\marker.x
name cover_a
xpos -68
ypos 0
zpos -12
flags 0
mesh prefabs\special\marker.x
name cover_b
xpos -50
ypos 0
zpos -12
flags 0
mesh prefabs\special\start_point.x
name cover_soldier_spawn
xpos -58
ypos 0
zpos -10
flags 0
action_general_opt 1 0
action_general_2 0 1
rotation_angles 0 -90 0
action_respawn_character_name demo_soldier
action_respawn_character_phase0 do_oslony_a
action_respawn_character_phase1 do_oslony_a
action_respawn_params 5 0
mesh meshes\demo\fuse_box.x
name demo_fuse_box
xpos -27.5
ypos 0.25
zpos -5.2
death_params_1 1 0 0 0 0 0 1 1 1 0 30 1
object_light_control_params 1 0
object_light_control2_light 0 demo_fuse_lamp_a
object_light_control2_light 1 demo_fuse_lamp_b
light
name demo_fuse_lamp_a
xpos -28.5
ypos 2.5
zpos -5.2
range 8
power 1
diffuse 1 0.9 0.7
light
name demo_fuse_lamp_b
xpos -21.5
ypos 2.5
zpos -5.2
range 8
power 1
diffuse 1 0.9 0.7
mesh meshes\demo\fuse_trigger.x
name demo_fuse_trigger
xpos -25
ypos 0.25
zpos 1
flags 0
action_general_opt 1 1
action_general_2 1 1
action_kill_object demo_fuse_box
mesh meshes\demo\marker.x
name grass
xpos -25
ypos 1.2
zpos -3
scaling_axis 120 4 120
flags 128
mesh meshes\demo\grass_patch.x
name grass_patch_01
xpos -45
ypos 0
zpos 18
mesh meshes\demo\pole.x
name pole_01
xpos -155
ypos 0
zpos 24
mesh meshes\demo\pole.x
name pole_02
xpos -150
ypos 0
zpos -12
mesh meshes\demo\pole.x
name pole_03
xpos -120
ypos 0
zpos -28
mesh meshes\demo\pole.x
name pole_04
xpos -85
ypos 0
zpos -28
mesh meshes\demo\pole.x
name pole_05
xpos -50
ypos 0
zpos -28
mesh meshes\demo\pole.x
name pole_06
xpos -15
ypos 0
zpos -28
mesh meshes\demo\pole.x
name pole_07
xpos 20
ypos 0
zpos -28
mesh meshes\demo\pole.x
name pole_08
xpos 55
ypos 0
zpos -28
mesh meshes\demo\showcase_pond.x
name water
xpos -76
ypos 0
zpos 2
flags 13
mesh meshes\demo\showcase_pond.x
name showcase_pond_bed
xpos -76
ypos -0.6
zpos 2
flags 8388621
mesh meshes\demo\showcase_fence.x
name showcase_fence
xpos -77
ypos 0
zpos 8
flags 4194317
mesh meshes\demo\showcase_windows.x
name showcase_windows
xpos -71
ypos 0
zpos 7
flags 4194317
mesh meshes\demo\showcase_tree.x
name showcase_tree
xpos -81
ypos 0
zpos 5
flags 4194317
is_it_tree 1
mesh meshes\demo\showcase_grass.x
name showcase_grass_1
xpos -78.5
ypos 0
zpos -1.5
mesh meshes\demo\showcase_grass.x
name showcase_grass_2
xpos -77
ypos 0
zpos -2
mesh meshes\demo\showcase_grass.x
name showcase_grass_3
xpos -74.5
ypos 0
zpos -1.8
mesh meshes\demo\showcase_grass.x
name showcase_grass_4
xpos -73
ypos 0
zpos -1.2
mesh meshes\demo\showcase_grass.x
name showcase_grass_5
xpos -80
ypos 0
zpos 0.5
mesh meshes\demo\showcase_lamp.x
name showcase_lamp
xpos -70
ypos 0
zpos 1
flags 4194317
object_light_control_params 1 0
object_light_control2_light 0 showcase_light
mesh meshes\demo\showcase_shaft.x
name showcase_shaft
xpos -70
ypos 0
zpos 1
light
name showcase_light
xpos -70
ypos 3.2
zpos 1
range 12
power 1.2
diffuse 1 0.8 0.5
flags 29
mesh meshes\demo\showcase_lava.x
name showcase_lava
xpos -73.5
ypos 0
zpos -4
mesh meshes\demo\marker.x
name showcase
xpos -74
ypos 3
zpos -10
rotation_angles 8 -10 0
flags 12
mesh meshes\demo\ramp.x
name demo_ramp
xpos -100
ypos 0
zpos 40
mesh prefabs\vehicles\demo_truck.x
name demo_truck
xpos -100
ypos 0
zpos 26
action_general_opt 1 0
action_moving 0 0 1 3.000000 38.000000
mesh meshes\demo\yard_step.x
name demo_truck_step
xpos -95.5
ypos 0
zpos 65
flags 0
action_general_opt 1 1
action_general_2 1 1
action_give_action_to___mesh demo_truck
mesh prefabs\special\start_point.x
name vehicleyard
xpos -95.5
ypos -62.8
zpos 65
flags 0
mesh prefabs\vehicles\demo_heli.x
name demo_heli
xpos -75
ypos 12
zpos 75
mesh prefabs\vehicles\demo_heli_fly.x
name demo_heli_fly
xpos -88
ypos 1.6
zpos 40
action_general_opt 1 0
action_fly_heli 1
mesh meshes\demo\yard_step.x
name demo_heli_pad_step
xpos -83.5
ypos 0
zpos 40
flags 0
action_general_opt 1 1
action_general_2 1 1
action_give_action_to___mesh demo_heli_fly
mesh prefabs\special\start_point.x
name helipad
xpos -83.5
ypos -62.8
zpos 40
flags 0
mesh meshes\demo\ladder.x
name kit_ladder
xpos 77.1
ypos 0.9
zpos -10
rotation_angles 0 -90 0
action_general_opt 1 1
action_ladder 1
mesh meshes\demo\barrel.x
name kit_barrel
xpos 84
ypos 0
zpos -22
death_params_1 1 0 0 0 1 1 1 1 1 0 20 1
death_params_FX_On_Death barrel_blast
death_params_console_print The kit barrel blew up
mesh prefabs\bronie\grenade.x
name kit_grenade_1
xpos 84
ypos 0
zpos -31.5
mesh prefabs\bronie\grenade.x
name kit_grenade_2
xpos 84.6
ypos 0
zpos -31.5
mesh prefabs\bronie\grenade.x
name kit_grenade_3
xpos 85.2
ypos 0
zpos -31.5
mesh prefabs\bronie\rocket_launcher.x
name kit_rocket_launcher
xpos 82.5
ypos 0
zpos -31.5
mesh prefabs\bronie\grenade_launcher.x
name kit_grenade_launcher
xpos 81.5
ypos 0
zpos -31.5
mesh prefabs\bronie_static\stojak_pkm.x
name kit_rack
xpos 82
ypos 0
zpos -4
mesh meshes\demo\riding_platform.x
name kit_platform
xpos 90
ypos 0
zpos -8
mesh meshes\demo\hide_zone.x
name kit_hide_zone
xpos 94
ypos 0
zpos -8
flags 0
mesh meshes\demo\crate.x
name demo_intro_crate
xpos -19
ypos 0
zpos -8
mesh meshes\demo\marker.x
name intro_end
xpos -18
ypos -5
zpos -4
flags 0
action_general_opt 1 0
action_default_set introdone
action_dest_set introdone
mesh meshes\demo\radio.x
name demo_radio
xpos -27
ypos 0.25
zpos -3
action_general_opt 1 1
action_general_2 0 1
action_start_dialogue0 demo_radio
action_start_dialogue_actor0 demo_radio
mesh meshes\demo\marker.x
name radio_done
xpos -27
ypos -5
zpos -3
flags 0
action_general_opt 1 0
action_default_set radiodone
action_dest_set radiodone
