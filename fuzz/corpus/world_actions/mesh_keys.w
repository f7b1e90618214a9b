mesh m.x
name a
xpos 1e39
rotation_angles 10 20 30
scaling_axis 2 2 2
flags 4
plotek_prefab 1 3 p.x
texture_paint_subset_used 15 65535
rigid_body_physics_disable_collision_with_list 24 w
mesh_light_control_params 1 1
mesh_light_control2_light 31 lamp
link_by_socket 1 b s
fog0 1 2 3
