mesh m.x
name threshold
action_general_opt 1 1
action_general_2 1 1
action_give_action_to___mesh door
mesh m.x
name door
zpos 2
action_general_opt 1 0
action_door 1 1 90 90 0
action_knob_general 1 45 45
mesh m.x
name switch
action_general_opt 1 1
action_ifset power_on
action_default_set lift_power
action_give_action_to___mesh lamp
action_next_run_after 2
light
name lamp
flags 12
action_general_opt 1 0
action_switch_light 1
mesh m.x
name lift
action_general_opt 1 1
action_moving 0 1 0 1.5 6
action_rotation 10 0 20 5
action_rotation_acceleration 2
